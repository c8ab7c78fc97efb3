#include "check/RoleTypeFacts.h"

#include "app/PlayerKit.h"
#include "host/files/TextEncoding.h"
#include "kernel/Container.h"
#include "kernel/RoleTypes.h"

namespace stagehand::check {

const std::vector<RoleTypeEvents>& EventTable() {
    static const std::vector<RoleTypeEvents> kTable = {
        {"Director", {}, "Key_"},
        {"Scene", {"Load", "Unload"}, {}},
        {"Amovie", {"OnOpenComplete", "Notify", "OnStopComplete"}, {}},
        {"Hotspot", {"Click"}, {}},
        {"CommandButton", {"Click"}, {}},
        {"Smacker", {"Notify"}, {}},
        {"Zone", {"mouseon", "mouseoff", "click"}, {}},
        {"Timer", {"notify"}, {}},
        {"System", {}, {}},
        {"Boolean", {}, {}},
        {"String", {}, {}},
        {"Integer", {}, {}},
        {"DirectSound", {"Notify"}, {}},
        {"Edittext", {"OnEnterKey", "OnEscapeKey", "OnTabKey", "OnKeyPress"}, {}},
        {"TextButton", {"Click"}, {}},
        {"Password", {}, {}},
        {"Label", {}, {}},
        {"IniContentManager", {}, {}},
        {"Cursor", {"MouseMove", "Click"}, {}},
        {"MCIVideo", {"OnOpenComplete", "Notify"}, {}},
    };
    return kTable;
}

RoleTypeFacts::RoleTypeFacts() {
    for (const CRoleTypeRegistry::Entry& entry : RoleTypeTable()) {
        if (entry.typeName.empty() || entry.create == nullptr) {
            continue;
        }
        Type type;
        type.probe = entry.create();
        type.probe->RegisterTables();
        type.container = dynamic_cast<CMessageHandlerContainer*>(type.probe.get()) != nullptr;
        for (const RoleTypeEvents& events : EventTable()) {
            if (events.type == entry.typeName) {
                type.events = &events;
            }
        }
        types_.insert_or_assign(std::string(entry.typeName), std::move(type));
    }
}

RoleTypeFacts::~RoleTypeFacts() = default;

const RoleTypeFacts::Type* RoleTypeFacts::Find(std::string_view type) const {
    const auto found = types_.find(type);
    return found == types_.end() ? nullptr : &found->second;
}

std::string_view RoleTypeFacts::SpelledAs(std::string_view type) const {
    for (const auto& [name, facts] : types_) {
        if (host::EqualsCaseBlind1252(name, type)) {
            return name;
        }
    }
    return {};
}

bool RoleTypeFacts::HasProperty(std::string_view type, std::string_view property) const {
    const Type* facts = Find(type);
    return facts != nullptr && facts->probe->HasProperty(property, {}, nullptr);
}

const CCommand* RoleTypeFacts::FindCommand(std::string_view type, std::string_view command) const {
    const Type* facts = Find(type);
    return facts == nullptr ? nullptr : facts->probe->FindCommand(command);
}

bool RoleTypeFacts::IsContainer(std::string_view type) const {
    const Type* facts = Find(type);
    return facts != nullptr && facts->container;
}

bool RoleTypeFacts::Raises(std::string_view type, std::string_view event) const {
    const Type* facts = Find(type);
    if (facts == nullptr || facts->events == nullptr) {
        return false;
    }
    for (const std::string_view name : facts->events->events) {
        if (host::EqualsCaseBlind1252(name, event)) {
            return true;
        }
    }
    const std::string_view prefix = facts->events->eventPrefix;
    return !prefix.empty() && event.size() >= prefix.size() &&
           host::EqualsCaseBlind1252(event.substr(0, prefix.size()), prefix);
}

}  // namespace stagehand::check
