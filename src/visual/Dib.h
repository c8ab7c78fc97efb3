// CDib: the player's one image class. It loads a BMP file of the title as a 32-bit picture
// (the palette applied then) through the play's picture cache, which shares one decoded copy
// between every image that names the file, and draws all of it or a rectangular cut of it
// as an opaque copy. Scenes draw their background with it, buttons their states.
//
// Guarantees: loading never throws and never shows anything to the user; a file that cannot
// be read or is refused leaves the image empty (the trace says why), and drawing an empty
// image does nothing. Reading is bounded by what the headers declare, 256 MiB and
// Surface::kMaxPixels; opening never blocks (a named pipe is refused at once).
// Where it bites: there is no transparency, scaling or clipping of its own: the canvas clips.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/gfx/Canvas.h"
#include "host/gfx/Surface.h"
#include "visual/PictureCache.h"

namespace stagehand {

namespace host {
class TitlePaths;
}

class CDib {
  public:
    CDib() = default;

    // Reads the title file `fileName` (a Windows-style title name resolved through `paths`;
    // with no paths, a host path) through `cache`. Replaces what was loaded before; true
    // when an image loaded.
    bool Load(CPictureCache& cache, const host::TitlePaths* paths, std::string_view fileName);
    // Copies the whole image to (0, 0) of the canvas.
    void Draw(host::Canvas& canvas) const;
    // Copies the width x height rectangle at (sourceX, sourceY) of the image to (x, y).
    void DrawPart(host::Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
                  int32_t sourceX, int32_t sourceY) const;
    // Forgets the image.
    void Free();

    bool IsLoaded() const { return picture_ != nullptr; }
    // The picture; an empty surface when none is loaded.
    const host::Surface& Image() const;

  private:
    CPictureCache::Picture picture_;
};

}  // namespace stagehand
