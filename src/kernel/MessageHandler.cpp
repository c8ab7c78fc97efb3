#include "kernel/MessageHandler.h"

#include <cassert>
#include <utility>

#include "base/Format.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"
#include "trace/Trace.h"

namespace stagehand {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t liveHandlers = 0;  // one logic thread makes and ends handlers

}  // namespace

CMessageHandler::CMessageHandler() : alive_(std::make_shared<char>()) {
    ++liveHandlers;
}

std::vector<std::string> CMessageHandler::PropertyNames() const {
    std::vector<std::string> names;
    for (const auto& [name, value] : properties_) {
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> CMessageHandler::CommandNames() const {
    std::vector<std::string> names;
    for (const auto& [name, command] : commands_) {
        names.push_back(name);
    }
    return names;
}

size_t CMessageHandler::LiveCount() {
    return liveHandlers;
}

CMessageHandler::~CMessageHandler() {
    --liveHandlers;
    alive_.reset();
    if (!created_) {
        return;
    }
    if (parent_ != nullptr) {
        parent_->RemoveChildEntry(*this);
    }
    player_->Stage().HandlerDestroyed(name_, *this);
    properties_.clear();
    commands_.clear();
}

bool CMessageHandler::Initialize(CPlayer& player, const std::string& name,
                                 CMessageHandler* parent) {
    player_ = &player;
    name_ = name;
    created_ = true;
    parent_ = parent;
    if (parent_ != nullptr) {
        parent_->AddChildEntry(*this);
    }
    player.Stage().Enter(*this);
    RegisterProperties();
    RegisterCommands();
    LoadRoleData();
    ApplyRoleData();
    ReleaseRoleData();
    return true;
}

void CMessageHandler::RegisterTables() {
    assert(!created_);
    RegisterProperties();
    RegisterCommands();
}

const CCommand* CMessageHandler::FindCommand(std::string_view name) const {
    const auto found = commands_.find(name);
    return found == commands_.end() ? nullptr : &found->second;
}

void CMessageHandler::RegisterProperties() {
    AddProperty("Type", CVariant::kString, &type_);
}

void CMessageHandler::RegisterCommands() {
    AddCommand(
        "Set",
        [](CMessageHandler& target, CArguments& arguments) {
            target.SetProperty(arguments[0].ToText(), arguments[1].ToText());
            return 1;
        },
        2, "string,string", "\"\",\"\"");
}

void CMessageHandler::LoadRoleData() {
    roleValues_ = std::make_unique<RoleValues>(player_->Stage().GetRoleProperties(name_));
}

void CMessageHandler::ApplyRoleData() {
    if (!roleValues_) {
        return;
    }
    for (const auto& [key, value] : *roleValues_) {
        SetProperty(key, value);
    }
}

void CMessageHandler::ReleaseRoleData() {
    roleValues_.reset();
}

void CMessageHandler::AddChildEntry(CMessageHandler&) {}

void CMessageHandler::RemoveChildEntry(CMessageHandler&) {}

void CMessageHandler::DestroyOwnedChild(CMessageHandler&) {}

void CMessageHandler::OnWindowGone() {
    if (created_ && parent_ != nullptr) {
        parent_->DestroyOwnedChild(*this);  // this handler is gone afterwards
    }
}

void CMessageHandler::AddProperty(const std::string& name, CVariant::Type kind, int32_t* field) {
    CVariant value;
    value.Bind(field, kind);
    properties_.insert_or_assign(name, std::move(value));
}

void CMessageHandler::AddProperty(const std::string& name, CVariant::Type kind,
                                  std::string* field) {
    CVariant value;
    value.Bind(field, kind);
    properties_.insert_or_assign(name, std::move(value));
}

void CMessageHandler::AddCommand(const std::string& name, CommandFunction callback,
                                 uint32_t minimum, std::string_view typeList,
                                 std::string_view defaultList) {
    CCommand command(std::move(callback), minimum, typeList, defaultList);
    if (!command.Fault().empty()) {
        // The class's own registration is wrong: every message to the command would lose its
        // arguments without a word.
        trace::Fault("The command \"%s\" of \"%s\" is registered wrongly: %s.",
                     {name, name_, command.Fault()});
        assert(false && "a command's type list or defaults do not build");
    }
    commands_.insert_or_assign(name, std::move(command));
}

CommandFunction CMessageHandler::ShowWindowCommand(bool show) {
    return [show](CMessageHandler& target, CArguments&) {
        if (target.HasWindow()) {
            target.System()->Show(target.Handle(), show);
        }
        return 1;
    };
}

bool CMessageHandler::SetProperty(std::string_view name, std::string_view value) {
    const auto found = properties_.find(name);
    if (found == properties_.end()) {
        return false;
    }
    found->second.SetFromText(value);
    return true;
}

std::string CMessageHandler::GetProperty(std::string_view name) const {
    const auto found = properties_.find(name);
    return found == properties_.end() ? std::string() : found->second.ToText();
}

bool CMessageHandler::HasProperty(std::string_view property, std::string_view handlerName,
                                  std::string* error) const {
    if (properties_.find(property) != properties_.end()) {
        return true;
    }
    if (error != nullptr) {
        *error = FormatText(kInvalidPropertyText, {handlerName, property});
    }
    return false;
}

bool CMessageHandler::IsValidName(std::string_view text) {
    if (text.empty() || !IsAsciiLetter(text.front())) {
        return false;
    }
    for (const char c : text.substr(1)) {
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c)) {
            return false;
        }
    }
    return true;
}

void CMessageHandler::ExecuteMessage(const CMessage& message) {
    const auto found = commands_.find(message.command);
    if (found == commands_.end()) {
        trace::Fault("The message handler \"%s\" has no command \"%s\".", {name_, message.command});
        return;
    }
    const CCommand& command = found->second;
    // The command still runs: missing elements take their defaults, surplus ones are dropped,
    // as titles have always relied on.
    const auto given = static_cast<uint32_t>(message.data.size());
    if (given > command.ParameterCount()) {
        trace::Fault("%s.%s takes %u data elements; the message gives %u.",
                     {name_, message.command, command.ParameterCount(), given});
    } else if (given < command.Minimum()) {
        trace::Fault("%s.%s needs %u data elements; the message gives %u.",
                     {name_, message.command, command.Minimum(), given});
    }
    CArguments arguments = command.BuildArguments(message.data);
    // The command may destroy this handler, and with it the command table: call a copy.
    const CommandFunction callback = command.Callback();
    if (callback) {
        callback(*this, arguments);
    }
}

bool CMessageHandler::RunQueue(std::string_view name, Scope scope) {
    return player_->Stage().RunQueue(name, *this, scope);
}

}  // namespace stagehand
