#include "handlers/Actor.h"

#include "host/ui/WindowSystem.h"

namespace stagehand {

bool CActor::Initialize(const std::string& name, CMessageHandler* parent) {
    CMessageHandler::Initialize(name, parent);
    if (enabled_ == 0) {
        ownDisabled_ = true;
    }
    return true;
}

void CActor::SetEnabled(bool enabled) {
    if (!ownDisabled_) {
        enabled_ = enabled ? 1 : 0;
    }
}

void CActor::RegisterProperties() {
    CMessageHandler::RegisterProperties();
    AddProperty("Enabled", CVariant::kBoolean, &enabled_);
}

void CActor::RegisterCommands() {
    CMessageHandler::RegisterCommands();
    AddCommand(
        "Enable",
        [](CMessageHandler& target, CArguments&) {
            auto& actor = static_cast<CActor&>(target);
            actor.ownDisabled_ = false;
            actor.SetEnabled(true);
            return 1;
        },
        0, "", "");
    AddCommand(
        "Disable",
        [](CMessageHandler& target, CArguments&) {
            auto& actor = static_cast<CActor&>(target);
            actor.SetEnabled(false);
            actor.ownDisabled_ = true;
            return 1;
        },
        0, "", "");
    // Shows or hides the actor's window in its current size and place; no window, no change.
    const auto showWindow = [](bool show) {
        return [show](CMessageHandler& target, CArguments&) {
            if (target.HasWindow()) {
                target.System()->Show(target.Handle(), show);
            }
            return 1;
        };
    };
    AddCommand("Hide", showWindow(false), 0, "", "");
    AddCommand("Show", showWindow(true), 0, "", "");
}

intptr_t CActor::OnMessage(const host::Message& message) {
    if (message.id == host::msg::kEraseBackground) {
        return 1;  // erased, without painting anything
    }
    return CMessageHandler::OnMessage(message);
}

}  // namespace stagehand
