// What changed between two frames of a movie, as a few rectangles: the frames are compared
// in blocks of kBlock x kBlock pixels, changed blocks in a row of blocks join into runs, and
// runs of the same span in the rows below join into one rectangle. A window then copies only
// those rectangles from the frame.
// Guarantees: every changed pixel lies in a returned rectangle, the rectangles do not overlap
// and lie inside the frame, and there are at most kMaxRects of them (past that, one
// rectangle bounding all changes). Frames of different sizes give the whole frame.
#pragma once

#include <functional>
#include <vector>

#include "host/gfx/Geometry.h"
#include "host/gfx/Surface.h"

namespace stagehand::host {

constexpr int32_t kBlock = 16;
constexpr size_t kMaxRects = 32;

std::vector<Rect> ChangedRects(const Surface& before, const Surface& after);

// The same joining for any test of a block: `differs` is asked once for each block of a
// width x height frame, rows of blocks top to bottom, and may act on the changed blocks it finds.
std::vector<Rect> ChangedBlocks(int32_t width, int32_t height,
                                const std::function<bool(const Rect&)>& differs);

}  // namespace stagehand::host
