#include "stage/Container.h"

#include <algorithm>
#include <cstdio>

#include "handlers/RoleTypes.h"
#include "script/TextUtil.h"
#include "stage/StageManager.h"
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
    // Each child's destruction takes it out of both lists (RemoveChildEntry).
    while (!owned_.empty()) {
        CMessageHandler* child = owned_.back();
        const size_t before = owned_.size();
        delete child;
        if (owned_.size() == before) {
            owned_.pop_back();  // a child that did not leave on its own must not be deleted twice
        }
    }
    children_.clear();
}

bool CMessageHandlerContainer::Initialize(const std::string& name, CMessageHandler* parent) {
    CMessageHandler::Initialize(name, parent);
    CreateStates();
    return true;
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
        delete found->second;  // its destruction removes its entries
    } else {
        children_.erase(found);
    }
}

CMessageHandler* CMessageHandlerContainer::CreateChild(const std::string& name,
                                                       const std::string& typeName) {
    std::unique_ptr<CMessageHandler> made = CRoleTypeRegistry::Create(typeName);
    if (!made) {
        trace::Fault("The role \"%s\" was not created: \"%s\" is not a role type.",
                     {name, typeName});
        return nullptr;
    }
    // From its first creation step on, the child is in this container's lists and owned by
    // it; its creation may run queues that destroy it again (a scene's "Load" queue that
    // unloads the scene), so it is looked at afterwards only through its life token.
    CMessageHandler* child = made.release();
    const std::weak_ptr<const char> alive = child->LifeToken();
    child->Initialize(name, this);
    if (alive.expired()) {
        return nullptr;
    }
    if (std::find(owned_.begin(), owned_.end(), child) == owned_.end()) {
        delete child;  // it never joined this container: nobody else would delete it
        return nullptr;
    }
    return child;
}

CMessageHandler* CMessageHandlerContainer::CreateRole(const std::string& name) {
    CStageManager* stage = CStageManager::Instance();
    return CreateChild(name, stage ? stage->GetRoleType(name) : std::string());
}

void CMessageHandlerContainer::CreateChildren() {
    const std::unique_ptr<std::vector<std::string>> names = std::move(childNames_);
    if (!names) {
        return;
    }
    for (const std::string& name : *names) {
        CreateRole(name);
    }
}

void CMessageHandlerContainer::CreateStates() {
    const std::unique_ptr<std::vector<std::string>> entries = std::move(stateEntries_);
    if (!entries) {
        return;
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
        if (child != nullptr && !value.empty()) {
            child->SetProperty("Value", value);
        }
    }
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
    owned_.push_back(&child);
}

void CMessageHandlerContainer::RemoveChildEntry(CMessageHandler& child) {
    const auto found = children_.find(child.GetName());
    if (found != children_.end() && found->second == &child) {
        children_.erase(found);
    }
    std::erase(owned_, &child);
}

}  // namespace stagehand
