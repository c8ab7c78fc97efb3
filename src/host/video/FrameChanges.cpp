#include "host/video/FrameChanges.h"

#include <algorithm>
#include <cstring>

namespace stagehand::host {

namespace {

bool BlockDiffers(const Surface& a, const Surface& b, const Rect& r) {
    const auto bytes = static_cast<size_t>(r.right - r.left) * sizeof(Color);
    for (int32_t row = r.top; row < r.bottom; ++row) {
        if (std::memcmp(a.Row(row) + r.left, b.Row(row) + r.left, bytes) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<Rect> ChangedRects(const Surface& before, const Surface& after) {
    if (before.Dimensions() != after.Dimensions()) {
        return after.IsEmpty() ? std::vector<Rect>{} : std::vector<Rect>{after.Bounds()};
    }
    return ChangedBlocks(after.Width(), after.Height(),
                         [&](const Rect& r) { return BlockDiffers(before, after, r); });
}

std::vector<Rect> ChangedBlocks(int32_t width, int32_t height,
                                const std::function<bool(const Rect&)>& differs) {
    std::vector<Rect> done;  // rectangles no longer growing downwards
    std::vector<Rect> open;  // rectangles that reach the previous row of blocks
    for (int32_t y = 0; y < height; y += kBlock) {
        const int32_t h = std::min(kBlock, height - y);
        std::vector<Rect> runs;
        for (int32_t x = 0; x < width; x += kBlock) {
            const int32_t w = std::min(kBlock, width - x);
            if (!differs({x, y, x + w, y + h})) {
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
