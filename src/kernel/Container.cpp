#include "kernel/Container.h"

#include <algorithm>
#include <cstdio>

#include "base/Format.h"
#include "kernel/Player.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

namespace {

// Takes the numbered family "<prefix>1", "<prefix>2", ... out of the role's entries, in order;
// the first missing number ends it.
std::unique_ptr<std::vector<std::string>> TakeNumbered(RoleValues& values, const char* prefix) {
    auto family = std::make_unique<std::vector<std::string>>();
    for (unsigned number = 1;; ++number) {
        char key[32];
        std::snprintf(key, sizeof key, "%s%u", prefix, number);
        const auto found = values.find(key);
        if (found == values.end()) {
            break;
        }
        family->push_back(std::move(found->second));
        values.erase(found);
    }
    return family;
}

}  // namespace

CMessageHandlerContainer::~CMessageHandlerContainer() {
    DestroyChildren();
}

void CMessageHandlerContainer::DestroyChildren() {
    // Last created first. Each child leaves the table on its way out (RemoveChildEntry); a
    // child's going may destroy others of this container's children, so the list is looked
    // at afresh every time.
    while (!owned_.empty()) {
        std::unique_ptr<CMessageHandler> child = std::move(owned_.back());
        owned_.pop_back();
        child.reset();
    }
    children_.clear();
}

bool CMessageHandlerContainer::Initialize(CPlayer& player, const std::string& name,
                                          CMessageHandler* parent) {
    CMessageHandler::Initialize(player, name, parent);
    return CreateStates();
}

CMessageHandler* CMessageHandlerContainer::FindChild(const std::string& name) const {
    const auto found = children_.find(name);
    return found == children_.end() ? nullptr : found->second;
}

void CMessageHandlerContainer::RemoveChild(const std::string& name, bool destroy) {
    const auto found = children_.find(name);
    if (found == children_.end()) {
        return;
    }
    if (destroy) {
        DestroyOwnedChild(*found->second);  // its destruction removes its entry
    } else {
        children_.erase(found);
    }
}

void CMessageHandlerContainer::DestroyOwnedChild(CMessageHandler& child) {
    const auto found = std::find_if(owned_.begin(), owned_.end(),
                                    [&](const auto& owned) { return owned.get() == &child; });
    if (found == owned_.end()) {
        return;  // not this container's to destroy
    }
    std::unique_ptr<CMessageHandler> going = std::move(*found);
    owned_.erase(found);
    going.reset();
}

std::string CMessageHandlerContainer::RefusalOf(const std::string& name) const {
    // A role whose own creation runs a queue that creates it again would double with every
    // level: a scene loading itself from its "Load" queue.
    if (std::find(creating_.begin(), creating_.end(), name) != creating_.end()) {
        return "its creation is still under way (a queue its creation runs creates it again).";
    }
    int depth = 0;
    for (const CMessageHandler* ancestor = this; ancestor != nullptr;
         ancestor = ancestor->GetParent()) {
        if (ancestor->GetName() == name) {
            return FormatText("it would be created inside itself (\"%s\" contains it).",
                              {GetName()});
        }
        ++depth;
    }
    if (depth > kMaxNesting) {
        return FormatText("roles nest more than %d deep there.", {kMaxNesting});
    }
    if (Player().Stage().LiveHandlers() >= CStageManager::kMaxLiveHandlers) {
        return FormatText("the title already has %d roles alive.",
                          {CStageManager::kMaxLiveHandlers});
    }
    return {};
}

CMessageHandler* CMessageHandlerContainer::CreateChild(const std::string& name,
                                                       const std::string& typeName) {
    CStageManager& stage = Player().Stage();
    if (const std::string refusal = RefusalOf(name); !refusal.empty()) {
        trace::Fault("The role \"%s\" was not created: %s", {name, refusal});
        return nullptr;
    }
    const CWorkBudget::Step step(stage.Budget(), CWorkBudget::Kind::kCreation);
    if (!stage.Budget().Spend(CWorkBudget::kRoleCost, "The creation of the role", name)) {
        return nullptr;
    }
    std::unique_ptr<CMessageHandler> made = Player().RoleTypes().Create(typeName);
    if (!made) {
        trace::Fault("The role \"%s\" was not created: \"%s\" is not a role type.",
                     {name, typeName});
        return nullptr;
    }
    // From its first creation step on, the child is owned by this container; its creation
    // may run queues that destroy it again (a scene's "Load" queue that unloads the scene),
    // or this container with it, so both are looked at afterwards only through life tokens.
    CMessageHandler* child = made.get();
    owned_.push_back(std::move(made));
    const std::weak_ptr<const char> alive = child->LifeToken();
    const std::weak_ptr<const char> self = LifeToken();
    creating_.push_back(name);
    child->Initialize(Player(), name, this);
    if (!self.expired()) {
        creating_.erase(std::find(creating_.begin(), creating_.end(), name));
    }
    return alive.expired() ? nullptr : child;
}

CMessageHandler* CMessageHandlerContainer::CreateRole(const std::string& name) {
    return CreateChild(name, Player().Stage().GetRoleType(name));
}

bool CMessageHandlerContainer::CreateChildren() {
    const std::unique_ptr<std::vector<std::string>> names = std::move(childNames_);
    const std::weak_ptr<const char> alive = LifeToken();
    if (!names) {
        return true;
    }
    for (const std::string& name : *names) {
        CreateRole(name);
        if (alive.expired()) {
            return false;  // a child's creation destroyed this container
        }
    }
    return true;
}

bool CMessageHandlerContainer::CreateStates() {
    const std::unique_ptr<std::vector<std::string>> entries = std::move(stateEntries_);
    const std::weak_ptr<const char> alive = LifeToken();
    if (!entries) {
        return true;
    }
    for (const std::string& entry : *entries) {
        // name, type[, initial value]
        const size_t firstComma = entry.find(',');
        if (firstComma == std::string::npos) {
            trace::Fault(
                "The state entry \"%s\" of \"%s\" has no type: it reads name, type, value.",
                {entry, GetName()});
            continue;
        }
        const std::string name(Trim(std::string_view(entry).substr(0, firstComma)));
        std::string_view rest = std::string_view(entry).substr(firstComma + 1);
        std::string_view value;
        if (const size_t secondComma = rest.find(','); secondComma != std::string_view::npos) {
            value = Trim(rest.substr(secondComma + 1));
            rest = rest.substr(0, secondComma);
        }
        const std::string type(Trim(rest));
        CMessageHandler* child = CreateChild(name, type);
        if (alive.expired()) {
            return false;  // the state's creation destroyed this container
        }
        if (child != nullptr && !value.empty()) {
            child->SetProperty("Value", value);
        }
    }
    return true;
}

void CMessageHandlerContainer::RegisterCommands() {
    CMessageHandler::RegisterCommands();
    AddCommand(
        "AddChild",
        [](CMessageHandler& target, CArguments& arguments) {
            static_cast<CMessageHandlerContainer&>(target).CreateRole(arguments[0].ToText());
            return 1;
        },
        1, "string", "\\");
    AddCommand(
        "RemoveChild",
        [](CMessageHandler& target, CArguments& arguments) {
            static_cast<CMessageHandlerContainer&>(target).RemoveChild(arguments[0].ToText(), true);
            return 1;
        },
        1, "string", "\\");
}

void CMessageHandlerContainer::ApplyRoleData() {
    if (roleValues_) {
        childNames_ = TakeNumbered(*roleValues_, "Child");
        stateEntries_ = TakeNumbered(*roleValues_, "State");
    }
    CMessageHandler::ApplyRoleData();
}

void CMessageHandlerContainer::AddChildEntry(CMessageHandler& child) {
    children_.insert_or_assign(child.GetName(), &child);
}

void CMessageHandlerContainer::RemoveChildEntry(CMessageHandler& child) {
    const auto found = children_.find(child.GetName());
    if (found != children_.end() && found->second == &child) {
        children_.erase(found);
    }
}

}  // namespace stagehand
