// Where the logical screen lies in the host's window and how it gets there, for each scaling
// (host/ScaleMode.h): scaled as large as the window allows with its aspect kept (or, for
// `integer`, by the largest whole multiple), centred, with black bars filling the rest; and
// whether the picture goes through an intermediate picture at a whole multiple first. Also
// the way back from a window pixel to a logical one, and the size of a window that shows the
// screen at a whole multiple. Plain arithmetic, no SDL, so it is tested without a display.
#pragma once

#include <cstdint>

#include "host/ScaleMode.h"
#include "host/gfx/Geometry.h"

namespace stagehand::host {

class ScreenFit {
  public:
    // How a picture is sampled on its way to the window.
    enum class Filter { kNearest, kLinear };

    // `screen` is the logical screen, `window` the area it is shown in (both in pixels).
    // A screen or window with no area gives an empty viewport.
    ScreenFit(Size screen, Size window, ScaleMode mode = ScaleMode::kSmooth);

    // Where the screen is drawn, in window pixels; the rest of the window is bars.
    const Rect& Viewport() const { return viewport_; }
    // Window pixels per logical pixel.
    double Scale() const;
    // True when every logical pixel covers the same whole number of window pixels, so the
    // picture is drawn with nearest-neighbour sampling; otherwise it is smoothed.
    bool IsWholeScale() const { return wholeScale_; }

    // The whole multiple the screen is first enlarged to, with nearest neighbours, before the
    // last step to the viewport; 1 when the screen goes to the viewport in one step.
    int32_t IntermediateMultiple() const { return intermediate_; }
    Size IntermediateSize() const {
        return {screen_.width * intermediate_, screen_.height * intermediate_};
    }
    // The sampling of the step that lands in the viewport.
    Filter FinalFilter() const { return filter_; }

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
    int32_t intermediate_ = 1;
    Filter filter_ = Filter::kLinear;
};

// The largest whole multiple of `screen` that fits in `usable`, and at least 1.
int32_t LargestWholeMultiple(Size screen, Size usable);

}  // namespace stagehand::host
