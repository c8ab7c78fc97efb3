// The enable switch shared by actors and scenes: the enabled state a scene passes down, and
// the own-disabled latch of the "Disable" command. While the latch is set, switching from
// above (SetEnabled) is ignored; only the role's own "Enable" lifts it.
#pragma once

namespace stagehand {

class CEnableLatch {
  public:
    virtual ~CEnableLatch() = default;

    // Switching from above: the scene passing its state down, the director's modal scenes.
    virtual void SetEnabled(bool enabled) = 0;
    bool IsOwnDisabled() const { return ownDisabled_; }

    // The "Enable" command lifts the latch and enables; "Disable" disables and latches.
    void SwitchByCommand(bool enable) {
        if (enable) {
            ownDisabled_ = false;
            SetEnabled(true);
        } else {
            SetEnabled(false);
            ownDisabled_ = true;
        }
    }

  protected:
    bool ownDisabled_ = false;
};

}  // namespace stagehand
