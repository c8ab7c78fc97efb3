#include "kernel/Actor.h"

namespace stagehand {

bool CActor::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    CMessageHandler::Initialize(player, name, parent);
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
    AddCommand("Enable", SwitchCommand<CActor>(true), 0, "", "");
    AddCommand("Disable", SwitchCommand<CActor>(false), 0, "", "");
    AddCommand("Hide", ShowWindowCommand(false), 0, "", "");
    AddCommand("Show", ShowWindowCommand(true), 0, "", "");
}

intptr_t CActor::OnMessage(const host::Message& message) {
    if (message.id == host::msg::kEraseBackground) {
        return 1;  // erased, without painting anything
    }
    return CMessageHandler::OnMessage(message);
}

}  // namespace stagehand
