// A typeface at one size, as titles ask for it: a face name in Windows-1252 and a size in
// points. The name is looked up through fontconfig, so "Arial" finds the installed face drawn
// to the same measurements and an unknown name still finds the default sans-serif face. Glyphs
// are drawn by FreeType with grayscale antialiasing and kept per font.
//
// Sizes follow the desktop at 96 dots per inch: a font of P points has characters (em height,
// without the leading above them) of round(P x 96 / 72) pixels, so 12 points is 16 pixels. Size
// 0 means 16 pixels, the character height of the desktop's default 12-point text.
//
// Text is single bytes of Windows-1252, so a font knows every advance width up front. Widths are
// whole pixels per character with no kerning between pairs, as the desktop's plain text output
// lays characters out. Tab draws as a blank; the other control characters draw nothing and take
// no room.
//
// Fonts are shared and immutable to their users (their glyph cache is internal and locked), so
// any thread may measure or draw with one.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace stagehand::host {

namespace font_library {
class SizedFace;
}

class Font {
  public:
    static constexpr int32_t kDefaultPixelHeight = 16;
    // Larger sizes are drawn at this height: bigger glyphs would only fill memory.
    static constexpr int32_t kMaxPixelHeight = 400;
    // How many fonts Create keeps for reuse, and how many bytes of glyphs each font keeps.
    static constexpr size_t kMaxCachedFonts = 64;
    static constexpr size_t kGlyphCacheBytes = 4u << 20;

    // One character's coverage bitmap (0 = untouched, 255 = solid), placed relative to the pen:
    // its top-left pixel is `left` right of the pen and `top` above the baseline.
    struct Glyph {
        int32_t left = 0;
        int32_t top = 0;
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint8_t> coverage;  // width x height, rows top to bottom
    };

    using ErrorSink = std::function<void(const std::string&)>;

    // The font for `typeface` (Windows-1252, cut at its first NUL) at `points`. Never null:
    // when the name cannot be opened the default face is used, and when there is no font at all
    // the result measures 0 and draws nothing. Each such failure goes to the error sink.
    static std::shared_ptr<const Font> Create(std::string_view typeface, int32_t points);
    // Where font failures are reported; by default they go to standard error.
    static void SetErrorSink(ErrorSink sink);
    // The character height in pixels for a size in points (see above).
    static int32_t PixelHeightForPoints(int32_t points);

    // Fonts come from Create; this is public only for it. A null face makes the empty font.
    Font(std::shared_ptr<font_library::SizedFace> face, int32_t pixelHeight, std::string family,
         std::string path);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // The face's family name (UTF-8) and file; empty for the font that draws nothing.
    const std::string& Family() const { return family_; }
    const std::string& FilePath() const { return path_; }
    bool IsEmpty() const { return face_ == nullptr; }

    int32_t PixelHeight() const { return pixelHeight_; }
    int32_t Ascent() const { return ascent_; }
    int32_t Descent() const { return descent_; }
    // The step from one line of text to the next.
    int32_t LineHeight() const { return ascent_ + descent_; }

    int32_t Advance(unsigned char c) const { return advances_[c]; }
    // The sum of the advances, cut at INT32_MAX.
    int32_t MeasureWidth(std::string_view text) const;
    // The bitmap for one character; null when it draws nothing.
    std::shared_ptr<const Glyph> GlyphFor(unsigned char c) const;

  private:
    uint32_t GlyphIndex(unsigned char c) const;
    std::shared_ptr<const Glyph> Render(unsigned char c) const;

    std::shared_ptr<font_library::SizedFace> face_;
    std::string family_;
    std::string path_;
    int32_t pixelHeight_ = kDefaultPixelHeight;
    int32_t ascent_ = kDefaultPixelHeight;
    int32_t descent_ = 0;
    std::array<int32_t, 256> advances_{};

    // Guarded by the font library's lock, like the face they are rendered from.
    mutable std::array<std::shared_ptr<const Glyph>, 256> glyphs_;
    mutable std::array<bool, 256> rendered_{};
    mutable size_t glyphBytes_ = 0;
};

}  // namespace stagehand::host
