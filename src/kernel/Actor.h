// CActor: the base of the roles that live in scenes (buttons, labels, zones, timers, media).
//
// It adds the "Enabled" property and the commands "Enable", "Disable", "Hide" and "Show",
// and an own-disabled latch: an actor disabled on its own (by its "Disable" command or by
// Enabled=0 in its role) stays disabled when its scene is disabled and enabled again; only
// its own "Enable" lifts the latch. Scenes switch their actors through SetEnabled.
//
// Where it bites: "Set" can still write "Enabled" directly, whatever the latch holds.
// Actor windows never erase their background: an actor paints what it owns and leaves the
// rest of its rectangle showing what is below.
#pragma once

#include "kernel/EnableLatch.h"
#include "kernel/MessageHandler.h"

namespace stagehand {

class CActor : public CMessageHandler, public CEnableLatch {
  public:
    CActor() = default;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

    // The scene's (and the commands') way to switch the actor: ignored while own-disabled.
    void SetEnabled(bool enabled) override;

    bool IsEnabled() const { return enabled_ != 0; }

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;
    intptr_t OnMessage(const host::Message& message) override;

    int32_t enabled_ = 1;
};

}  // namespace stagehand
