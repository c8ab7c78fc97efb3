// CZoneTable: the play's zones as the zone filter sees them: each zone's screen rectangle,
// window and enabled copy by key, the key counter, and the zone that last took routed mouse
// input. It adds the zone filter to the message loop: mouse moves and left-button presses and
// releases over an enabled zone go to that zone, and the zone the mouse left hears cancel
// mode.
//
// Where it bites: a record belongs to its zone; the table only points to it, and a zone
// leaves the table when it goes. The current zone may name a window that is gone: every use
// of it asks the window system first.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "host/gfx/Geometry.h"
#include "host/ui/Messages.h"
#include "kernel/PlayerService.h"

namespace stagehand {

class CPlayer;

struct CZoneRecord {
    host::Rect screenRect;  // fixed when the zone is made
    host::WindowHandle window;
    bool enabled = true;  // the zone's enabled state as the filter sees it
};

class CZoneTable final : public CPlayerService {
  public:
    explicit CZoneTable(CPlayer& player);

    // Enters a record under the next free key after the counter, which wraps at 65536;
    // nothing when every key is taken.
    std::optional<uint16_t> Enter(CZoneRecord& record);
    void Leave(uint16_t key, const CZoneRecord& record);

    // The loop's zone filter: may retarget `message` or post to zones; true when consumed.
    bool Filter(host::Message& message);

  private:
    CPlayer& player_;
    // Ascending key order is the order overlapping zones are tested in: the oldest zone
    // under the pointer takes it (until the key counter wraps).
    std::map<uint16_t, CZoneRecord*> records_;
    uint16_t keyCounter_ = 0;
    host::WindowHandle currentZone_;
};

}  // namespace stagehand
