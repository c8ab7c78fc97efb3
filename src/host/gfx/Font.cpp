#include "host/gfx/Font.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "host/files/TextEncoding.h"
#include "host/gfx/FontLibrary.h"

namespace stagehand::host {

namespace {

using font_library::FontLock;
using font_library::SizedFace;

// Hinted outlines at whole-pixel advances, as the desktop draws screen text.
constexpr FT_Int32 kLoadFlags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL;
// A glyph bitmap larger than this on either side is a broken face, not a character.
constexpr int32_t kMaxGlyphSide = 4 * Font::kMaxPixelHeight;

bool TakesNoRoom(unsigned char c) {
    return c < 0x20 && c != '\t';
}

std::mutex& SinkLock() {
    static auto* lock = new std::mutex();
    return *lock;
}

Font::ErrorSink& Sink() {
    static auto* sink = new Font::ErrorSink();
    return *sink;
}

void Report(const std::string& message) {
    Font::ErrorSink sink;
    {
        std::lock_guard guard(SinkLock());
        sink = Sink();
    }
    if (sink) {
        sink(message);
    } else {
        std::fprintf(stderr, "stagehand: %s\n", message.c_str());
    }
}

struct CachedFont {
    std::string key;  // the typeface name folded to upper case: names are case-blind
    int32_t pixelHeight;
    std::shared_ptr<const Font> font;
    uint64_t lastUse;
};

std::vector<CachedFont>& FontCache() {
    static auto* cache = new std::vector<CachedFont>();
    return *cache;
}

// Opens the face for `name`, falling back to the default face and then to the empty font.
// Called with the font lock held; failures are collected for reporting after it is released.
std::shared_ptr<const Font> OpenFont(std::string_view name, int32_t pixelHeight,
                                     std::vector<std::string>& errors) {
    const std::string utf8 = Cp1252ToUtf8(name);
    for (const std::string& family : {utf8, std::string()}) {
        std::string error;
        const auto file = font_library::MatchFamily(family, &error);
        std::shared_ptr<SizedFace> face;
        if (file) {
            face = font_library::OpenSizedFace(*file, pixelHeight, &error);
        }
        if (face) {
            return std::make_shared<Font>(face, pixelHeight, file->family, file->path);
        }
        errors.push_back(
            (family.empty() ? std::string("default font") : "font \"" + family + "\"") + ": " +
            error);
        if (family.empty()) {
            break;
        }
    }
    errors.push_back("no font could be opened: text in \"" + utf8 + "\" will not be drawn");
    return std::make_shared<Font>(nullptr, pixelHeight, std::string(), std::string());
}

// Copies FreeType's bitmap of the glyph just rendered into a coverage bitmap.
std::shared_ptr<Font::Glyph> CopyBitmap(const FT_GlyphSlot slot) {
    const FT_Bitmap& bitmap = slot->bitmap;
    const int32_t width = static_cast<int32_t>(bitmap.width);
    const int32_t height = static_cast<int32_t>(bitmap.rows);
    if (width <= 0 || height <= 0 || width > kMaxGlyphSide || height > kMaxGlyphSide ||
        !bitmap.buffer) {
        return nullptr;
    }
    auto glyph = std::make_shared<Font::Glyph>();
    glyph->left = slot->bitmap_left;
    glyph->top = slot->bitmap_top;
    glyph->width = width;
    glyph->height = height;
    glyph->coverage.assign(static_cast<size_t>(width) * height, 0);
    const int32_t pitch = bitmap.pitch;
    const int32_t grays = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
    for (int32_t y = 0; y < height; ++y) {
        // A negative pitch means the buffer starts with the bottom row.
        const unsigned char* row =
            bitmap.buffer + (pitch >= 0 ? int64_t{y} * pitch : int64_t{height - 1 - y} * -pitch);
        uint8_t* out = glyph->coverage.data() + static_cast<size_t>(y) * width;
        for (int32_t x = 0; x < width; ++x) {
            switch (bitmap.pixel_mode) {
                case FT_PIXEL_MODE_GRAY:
                    out[x] = static_cast<uint8_t>(std::min(255, row[x] * 255 / grays));
                    break;
                case FT_PIXEL_MODE_MONO:
                    out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                    break;
                case FT_PIXEL_MODE_BGRA:
                    out[x] = row[x * 4 + 3];
                    break;
                default:
                    return nullptr;
            }
        }
    }
    return glyph;
}

}  // namespace

int32_t Font::PixelHeightForPoints(int32_t points) {
    if (points == 0) {
        return kDefaultPixelHeight;
    }
    // points x 96 / 72 rounded to nearest; a negative size means the same height.
    const int64_t magnitude = std::abs(int64_t{points});
    const int64_t pixels = (magnitude * 960 + 360) / 720;
    return static_cast<int32_t>(std::clamp<int64_t>(pixels, 1, kMaxPixelHeight));
}

void Font::SetErrorSink(ErrorSink sink) {
    std::lock_guard guard(SinkLock());
    Sink() = std::move(sink);
}

std::shared_ptr<const Font> Font::Create(std::string_view typeface, int32_t points) {
    const std::string_view name = typeface.substr(0, typeface.find('\0'));
    const int32_t pixelHeight = PixelHeightForPoints(points);
    const std::string key = FoldCase1252(name);
    std::vector<std::string> errors;
    std::shared_ptr<const Font> font;
    {
        static uint64_t clock = 0;
        std::lock_guard guard(FontLock());
        ++clock;
        std::vector<CachedFont>& cache = FontCache();
        for (CachedFont& entry : cache) {
            if (entry.key == key && entry.pixelHeight == pixelHeight) {
                entry.lastUse = clock;
                return entry.font;
            }
        }
        font = OpenFont(name, pixelHeight, errors);
        if (cache.size() >= kMaxCachedFonts) {
            auto oldest = std::min_element(cache.begin(), cache.end(),
                                           [](auto& a, auto& b) { return a.lastUse < b.lastUse; });
            cache.erase(oldest);
        }
        cache.push_back({key, pixelHeight, font, clock});
    }
    for (const std::string& error : errors) {
        Report(error);
    }
    return font;
}

Font::Font(std::shared_ptr<SizedFace> face, int32_t pixelHeight, std::string family,
           std::string path)
    : face_(std::move(face)),
      family_(std::move(family)),
      path_(std::move(path)),
      pixelHeight_(pixelHeight),
      ascent_(pixelHeight) {
    if (!face_) {
        return;
    }
    std::lock_guard guard(FontLock());
    ascent_ = face_->Ascent();
    descent_ = face_->Descent();
    FT_Face ftFace = face_->Face();
    for (int c = 0; c < 256; ++c) {
        if (TakesNoRoom(static_cast<unsigned char>(c)) || c == '\t') {
            continue;
        }
        if (FT_Load_Glyph(ftFace, GlyphIndex(static_cast<unsigned char>(c)), kLoadFlags) != 0) {
            continue;
        }
        const FT_Pos advance = (ftFace->glyph->advance.x + 32) >> 6;
        advances_[c] = static_cast<int32_t>(std::clamp<FT_Pos>(advance, 0, kMaxGlyphSide));
    }
    advances_['\t'] = advances_[' '];
}

Font::~Font() = default;

uint32_t Font::GlyphIndex(unsigned char c) const {
    FT_Face face = face_->Face();
    FT_UInt index = FT_Get_Char_Index(face, Cp1252CodePoint(c));
    if (index == 0 && face->charmap && face->charmap->encoding == FT_ENCODING_MS_SYMBOL) {
        index = FT_Get_Char_Index(face, 0xF000u + c);
    }
    return index;
}

int32_t Font::MeasureWidth(std::string_view text) const {
    int64_t width = 0;
    for (char c : text) {
        width += advances_[static_cast<unsigned char>(c)];
    }
    return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

std::shared_ptr<const Font::Glyph> Font::Render(unsigned char c) const {
    FT_Face face = face_->Face();
    if (FT_Load_Glyph(face, GlyphIndex(c), kLoadFlags) != 0) {
        return nullptr;
    }
    if (face->glyph->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
        return nullptr;
    }
    return CopyBitmap(face->glyph);
}

std::shared_ptr<const Font::Glyph> Font::GlyphFor(unsigned char c) const {
    if (!face_ || TakesNoRoom(c) || c == '\t') {
        return nullptr;
    }
    std::lock_guard guard(FontLock());
    if (rendered_[c]) {
        return glyphs_[c];
    }
    std::shared_ptr<const Glyph> glyph = Render(c);
    const size_t bytes = glyph ? glyph->coverage.size() : 0;
    if (glyphBytes_ + bytes > kGlyphCacheBytes) {
        // Start over rather than track use: the glyphs handed out stay valid with their users.
        glyphs_.fill(nullptr);
        rendered_.fill(false);
        glyphBytes_ = 0;
    }
    glyphs_[c] = glyph;
    rendered_[c] = true;
    glyphBytes_ += bytes;
    return glyph;
}

}  // namespace stagehand::host
