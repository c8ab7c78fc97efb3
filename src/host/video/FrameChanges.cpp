#include "host/video/FrameChanges.h"

#include <algorithm>
#include <cstring>

namespace stagehand::host {

namespace {

bool BlockDiffers(const Surface& a, const Surface& b, int32_t x, int32_t y, int32_t w, int32_t h) {
    for (int32_t row = y; row < y + h; ++row) {
        if (std::memcmp(a.Row(row) + x, b.Row(row) + x, static_cast<size_t>(w) * sizeof(Color)) !=
            0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<Rect> ChangedRects(const Surface& before, const Surface& after) {
    const int32_t width = after.Width();
    const int32_t height = after.Height();
    if (before.Dimensions() != after.Dimensions()) {
        return after.IsEmpty() ? std::vector<Rect>{} : std::vector<Rect>{after.Bounds()};
    }
    std::vector<Rect> done;  // rectangles no longer growing downwards
    std::vector<Rect> open;  // rectangles that reach the previous row of blocks
    for (int32_t y = 0; y < height; y += kBlock) {
        const int32_t h = std::min(kBlock, height - y);
        std::vector<Rect> runs;
        for (int32_t x = 0; x < width; x += kBlock) {
            const int32_t w = std::min(kBlock, width - x);
            if (!BlockDiffers(before, after, x, y, w, h)) {
                continue;
            }
            if (!runs.empty() && runs.back().right == x) {
                runs.back().right = x + w;
            } else {
                runs.push_back({x, y, x + w, y + h});
            }
        }
        std::vector<Rect> next;
        for (Rect run : runs) {
            const auto same = std::find_if(open.begin(), open.end(), [&](const Rect& r) {
                return r.left == run.left && r.right == run.right;
            });
            if (same != open.end()) {
                run.top = same->top;
                open.erase(same);
            }
            next.push_back(run);
        }
        done.insert(done.end(), open.begin(), open.end());
        open = std::move(next);
    }
    done.insert(done.end(), open.begin(), open.end());
    if (done.size() > kMaxRects) {
        Rect all = done.front();
        for (const Rect& r : done) {
            all = {std::min(all.left, r.left), std::min(all.top, r.top),
                   std::max(all.right, r.right), std::max(all.bottom, r.bottom)};
        }
        return {all};
    }
    return done;
}

}  // namespace stagehand::host
