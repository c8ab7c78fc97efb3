// The small picture the library shows of a title it played: the screen a few seconds into the
// play (or as it was when the play ended sooner), shrunk to kSize and kept as a BMP in the
// user's cache folder, one file per title location.
//
// Guarantees: a picture is written whole or not at all (FileReplacement) and read back only
// within kMaxFileBytes and as a picture of at most kSize; anything else is no picture.
// Where it bites: the picture is the framebuffer, so a title that shows nothing in its first
// seconds is kept black.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "base/Result.h"
#include "host/gfx/Surface.h"

namespace stagehand {

class TitlePicture {
  public:
    static constexpr host::Size kSize{160, 120};
    static constexpr uint64_t kMaxFileBytes = 256 * 1024;
    // How long into a play its picture is taken.
    static constexpr uint32_t kTakenAfterMs = 3000;

    // The cache file of the title at `location`.
    static std::filesystem::path FileFor(std::string_view location);

    // `frame` shrunk to fit `to` (keeping its shape: each pixel the mean of those it covers);
    // an empty frame gives an empty surface.
    static host::Surface Shrink(const host::Surface& frame, host::Size to);

    // Shrinks the frame and writes it to the title's cache file.
    static base::Result<void> Keep(const host::Surface& frame, std::string_view location);
    // The picture kept for the title; nothing when none was kept or the file is refused.
    static std::optional<host::Surface> Read(std::string_view location);
};

}  // namespace stagehand
