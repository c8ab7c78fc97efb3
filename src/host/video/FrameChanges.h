// What changed between two frames of a movie, as a few rectangles: the frames are compared
// in blocks of kBlock x kBlock pixels, changed blocks in a row of blocks join into runs, and
// runs of the same span in the rows below join into one rectangle. A window then copies only
// those rectangles from the frame.
// Guarantees: every changed pixel lies in a returned rectangle, the rectangles do not overlap
// and lie inside the frame, and there are at most kMaxRects of them (past that, one
// rectangle bounding all changes). Frames of different sizes give the whole frame.
#pragma once

#include <vector>

#include "host/gfx/Geometry.h"
#include "host/gfx/Surface.h"

namespace stagehand::host {

constexpr int32_t kBlock = 16;
constexpr size_t kMaxRects = 32;

std::vector<Rect> ChangedRects(const Surface& before, const Surface& after);

}  // namespace stagehand::host
