// Compares two images pixel by pixel with a per-channel tolerance, for tests that check what
// the player drew against a picture made beforehand.
//
// Guarantees: images of different sizes never match; the report names how many pixels differ
// and where the first one (in reading order) is, with both colours.
#pragma once

#include <cstdint>
#include <string>

#include "host/gfx/Surface.h"

namespace stagehand::testkit {

struct Comparison {
    bool same = false;
    // Empty when same; otherwise one line saying what differs.
    std::string report;
};

Comparison CompareImages(const host::Surface& expected, const host::Surface& actual, int tolerance);

}  // namespace stagehand::testkit
