// The play's zones as the zone filter sees them: each zone's screen rectangle, window and
// enabled copy by key, the key counter, and the zone that last took routed mouse input.
// The player holds one (created with the first zone, dropped by the zone clean-up at exit).
//
// Where it bites: a record belongs to its zone; the table only points to it, and a zone
// leaves the table when it goes. The current zone may name a window that is gone: every
// use of it asks the window system first.
#pragma once

#include <cstdint>
#include <map>

#include "host/gfx/Geometry.h"
#include "host/ui/Messages.h"

namespace stagehand {

struct CZoneRecord {
    host::Rect screenRect;  // fixed when the zone is made
    host::WindowHandle window;
    bool enabled = true;  // the zone's enabled state as the filter sees it
};

struct CZoneTable {
    // Ascending key order is the order overlapping zones are tested in: the oldest zone
    // under the pointer takes it (until the key counter wraps).
    std::map<uint16_t, CZoneRecord*> records;
    uint16_t keyCounter = 0;
    host::WindowHandle currentZone;
};

}  // namespace stagehand
