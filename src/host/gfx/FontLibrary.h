// The font machinery behind Font: finding a typeface's file through fontconfig and opening it
// at one pixel size through FreeType. Open faces are shared process-wide, at most
// kMaxOpenFaces of them cached, so that every font asking for the same file and size draws
// from one face. FreeType faces are not safe to use from two threads at once: every call into
// FreeType or fontconfig, and every use of a SizedFace, holds FontLock().
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace stagehand::host::font_library {

constexpr size_t kMaxOpenFaces = 64;

// Recursive, so that a font released while the lock is held can close its face.
std::recursive_mutex& FontLock();

struct FaceFile {
    std::string path;
    int32_t index = 0;   // face number inside a collection file
    std::string family;  // as fontconfig names it, UTF-8
};

// The file fontconfig offers for a family name (UTF-8); an empty or unknown name gets the
// desktop's default sans-serif face. Nothing when fontconfig has no fonts at all.
std::optional<FaceFile> MatchFamily(const std::string& familyUtf8, std::string* error);

// One FreeType face set to one character (em) height, with the metrics the player lays text
// out by. Closed when the last font using it and the cache have let go of it.
class SizedFace {
  public:
    SizedFace(FT_Face face, int32_t pixelHeight);
    ~SizedFace();
    SizedFace(const SizedFace&) = delete;
    SizedFace& operator=(const SizedFace&) = delete;

    FT_Face Face() const { return face_; }
    int32_t PixelHeight() const { return pixelHeight_; }
    int32_t Ascent() const { return ascent_; }
    int32_t Descent() const { return descent_; }

  private:
    FT_Face face_;
    int32_t pixelHeight_;
    int32_t ascent_ = 0;
    int32_t descent_ = 0;
};

// The face of `file` at `pixelHeight`, from the cache or newly opened; null with `error` set
// when FreeType cannot open or size it. Call with FontLock() held.
std::shared_ptr<SizedFace> OpenSizedFace(const FaceFile& file, int32_t pixelHeight,
                                         std::string* error);

}  // namespace stagehand::host::font_library
