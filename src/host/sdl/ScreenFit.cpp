#include "host/sdl/ScreenFit.h"

#include <algorithm>

namespace stagehand::host {

ScreenFit::ScreenFit(Size screen, Size window, ScaleMode mode) : screen_(screen) {
    if (screen.width <= 0 || screen.height <= 0 || window.width <= 0 || window.height <= 0) {
        screen_ = {};
        return;
    }
    const int64_t sw = screen.width, sh = screen.height;
    const int64_t ww = window.width, wh = window.height;
    if (mode == ScaleMode::kInteger) {
        // Whole multiples only, at least 1: a window smaller than the screen shows its middle.
        const int64_t multiple = std::max<int64_t>(1, std::min(ww / sw, wh / sh));
        const int64_t vw = sw * multiple, vh = sh * multiple;
        viewport_ =
            Rect::FromSize(static_cast<int32_t>((ww - vw) / 2), static_cast<int32_t>((wh - vh) / 2),
                           static_cast<int32_t>(vw), static_cast<int32_t>(vh));
        wholeScale_ = true;
        filter_ = Filter::kNearest;
        return;
    }
    // The axis with the smaller ratio window / screen decides the scale; the other gets bars.
    // Compared cross-multiplied so no rounding decides it.
    int64_t vw = 0, vh = 0;
    if (ww * sh <= wh * sw) {
        vw = ww;
        vh = std::max<int64_t>(1, (2 * sh * ww + sw) / (2 * sw));
        wholeScale_ = ww % sw == 0;
    } else {
        vh = wh;
        vw = std::max<int64_t>(1, (2 * sw * wh + sh) / (2 * sh));
        wholeScale_ = wh % sh == 0;
    }
    viewport_ =
        Rect::FromSize(static_cast<int32_t>((ww - vw) / 2), static_cast<int32_t>((wh - vh) / 2),
                       static_cast<int32_t>(vw), static_cast<int32_t>(vh));
    switch (mode) {
        case ScaleMode::kNearest:
            filter_ = Filter::kNearest;
            break;
        case ScaleMode::kSharp:
            // Whole pixels first, as many as fit on both axes; then one smooth step of less
            // than one pixel's worth. Below 2x that first step would change nothing.
            if (!wholeScale_) {
                intermediate_ =
                    static_cast<int32_t>(std::max<int64_t>(1, std::min(vw / sw, vh / sh)));
            }
            filter_ = wholeScale_ ? Filter::kNearest : Filter::kLinear;
            break;
        case ScaleMode::kSmooth:
        case ScaleMode::kInteger:
            filter_ = wholeScale_ ? Filter::kNearest : Filter::kLinear;
            break;
    }
}

double ScreenFit::Scale() const {
    if (screen_.width <= 0) {
        return 0.0;
    }
    return static_cast<double>(viewport_.Width()) / screen_.width;
}

Point ScreenFit::ToScreen(Point window) const {
    if (viewport_.IsEmpty()) {
        return {};
    }
    // Sampled at the window pixel's centre: floor((2 * offset + 1) * screen / (2 * viewport)).
    // Offsets left of or above the viewport come out negative or zero and are clamped.
    auto map = [](int32_t position, int32_t origin, int64_t screen, int64_t view) {
        const int64_t twice = 2 * (int64_t{position} - origin) + 1;
        if (twice < 0) {
            return int32_t{0};
        }
        const int64_t logical = twice * screen / (2 * view);
        return static_cast<int32_t>(std::min<int64_t>(logical, screen - 1));
    };
    return {map(window.x, viewport_.left, screen_.width, viewport_.Width()),
            map(window.y, viewport_.top, screen_.height, viewport_.Height())};
}

Point ScreenFit::ToWindow(Point screen) const {
    if (viewport_.IsEmpty()) {
        return {};
    }
    auto map = [](int32_t position, int32_t origin, int64_t side, int64_t view) {
        const int64_t logical = std::clamp<int64_t>(position, 0, side - 1);
        return static_cast<int32_t>(origin + (2 * logical + 1) * view / (2 * side));
    };
    return {map(screen.x, viewport_.left, screen_.width, viewport_.Width()),
            map(screen.y, viewport_.top, screen_.height, viewport_.Height())};
}

int32_t LargestWholeMultiple(Size screen, Size usable) {
    if (screen.width <= 0 || screen.height <= 0) {
        return 1;
    }
    return std::max(1, std::min(usable.width / screen.width, usable.height / screen.height));
}

}  // namespace stagehand::host
