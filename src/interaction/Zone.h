// CZone: an invisible mouse area, role type "Zone". It raises "mouseon" when the pointer
// enters it, "mouseoff" when it leaves and "click" when the left button is released in it
// after a press there.
//
// Zones do not take part in hit-testing: their windows are never shown. The zone filter,
// which the loop runs on every message after the cursor's, routes mouse moves and left
// button messages whose screen point lies in an enabled zone to that zone's window, and
// sends the zone that had the pointer the cancel-mode message when it leaves, so a zone
// takes the mouse even where another actor's window covers it.
//
// Guarantees: the rectangle is cut to the container's client area once, at creation
// (negative edges start at 0); later changes of its properties do not move the zone. A
// change of enable state clears the zone's state without any event.
// Where it bites: "Hide" and "Show" change nothing for a zone; "Set" of "Enabled" changes
// the property but not what the filter sees. Right-button, double-click and other mouse
// messages never reach zones.
#pragma once

#include "interaction/ZoneTable.h"
#include "kernel/Actor.h"

namespace stagehand {

class CZone : public CActor {
  public:
    static std::unique_ptr<CMessageHandler> Create();

    CZone() = default;
    ~CZone() override;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;
    void SetEnabled(bool enabled) override;

  protected:
    void RegisterProperties() override;
    intptr_t OnMessage(const host::Message& message) override;

  private:
    void OpenWindow();
    void Enter();

    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint16_t key_ = 0;
    bool entered_ = false;
    CZoneRecord record_;
    bool mouseOn_ = false;
    bool pressed_ = false;
};

}  // namespace stagehand
