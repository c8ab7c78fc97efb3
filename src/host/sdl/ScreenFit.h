// Where the logical screen lies in the host's window: scaled as large as the window allows
// with its aspect kept, centred, with black bars filling the rest. Also the way back from a
// window pixel to a logical one, and the size of a window that shows the screen at a whole
// multiple. Plain arithmetic, no SDL, so it is tested without a display.
#pragma once

#include <cstdint>

#include "host/gfx/Geometry.h"

namespace stagehand::host {

class ScreenFit {
  public:
    // `screen` is the logical screen, `window` the area it is shown in (both in pixels).
    // A screen or window with no area gives an empty viewport.
    ScreenFit(Size screen, Size window);

    // Where the screen is drawn, in window pixels; the rest of the window is bars.
    const Rect& Viewport() const { return viewport_; }
    // Window pixels per logical pixel.
    double Scale() const;
    // True when every logical pixel covers the same whole number of window pixels, so the
    // picture is drawn with nearest-neighbour sampling; otherwise it is smoothed.
    bool IsWholeScale() const { return wholeScale_; }

    // The logical pixel under the centre of a window pixel. Points in the bars or outside the
    // window go to the nearest edge of the screen.
    Point ToScreen(Point window) const;
    // The window pixel under the centre of a logical pixel (cut to the screen first). When the
    // scale is at least 1, ToScreen gives the same logical pixel back.
    Point ToWindow(Point screen) const;

  private:
    Size screen_;
    Rect viewport_;
    bool wholeScale_ = false;
};

// The largest whole multiple of `screen` that fits in `usable`, and at least 1.
int32_t LargestWholeMultiple(Size screen, Size usable);

}  // namespace stagehand::host
