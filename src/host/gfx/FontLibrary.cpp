#include "host/gfx/FontLibrary.h"

#include <fontconfig/fontconfig.h>

#include FT_TRUETYPE_TABLES_H

#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define STAGEHAND_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STAGEHAND_LEAK_CHECKED 1
#endif
#endif
#ifdef STAGEHAND_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace stagehand::host::font_library {

namespace {

// Both libraries live as long as the process: faces may still be released while static
// objects are destroyed at exit, and closing them needs the library they came from.
FT_Library FreeTypeLibrary(std::string* error) {
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) {
            return static_cast<FT_Library>(nullptr);
        }
        return lib;
    }();
    if (!library && error) {
        *error = "FreeType could not be started";
    }
    return library;
}

FcConfig* LoadFontconfig() {
#ifdef STAGEHAND_LEAK_CHECKED
    // fontconfig loses a few bytes while it parses its configuration files, once per
    // process: not ours to fix, and not to fail every leak-checked program that draws text.
    __lsan::ScopedDisabler ignoreLeaks;
#endif
    return FcInitLoadConfigAndFonts();
}

FcConfig* FontconfigConfig(std::string* error) {
    static FcConfig* config = LoadFontconfig();
    if (!config && error) {
        *error = "fontconfig could not load its configuration";
    }
    return config;
}

int32_t RoundedScale(int64_t units, int64_t ppem, int64_t unitsPerEm) {
    return static_cast<int32_t>((units * ppem * 2 + unitsPerEm) / (2 * unitsPerEm));
}

struct CachedFace {
    std::string path;
    int32_t index;
    int32_t pixelHeight;
    std::shared_ptr<SizedFace> face;
    uint64_t lastUse;
};

std::vector<CachedFace>& FaceCache() {
    static auto* cache = new std::vector<CachedFace>();
    return *cache;
}

// Bitmap-only faces come in fixed sizes: take the strike nearest the height asked for.
bool SelectNearestStrike(FT_Face face, int32_t pixelHeight) {
    if (face->num_fixed_sizes <= 0) {
        return false;
    }
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i) {
        const int32_t d = std::abs(face->available_sizes[i].height - pixelHeight);
        if (d < std::abs(face->available_sizes[best].height - pixelHeight)) {
            best = i;
        }
    }
    return FT_Select_Size(face, best) == 0;
}

}  // namespace

std::recursive_mutex& FontLock() {
    static auto* lock = new std::recursive_mutex();
    return *lock;
}

std::optional<FaceFile> MatchFamily(const std::string& familyUtf8, std::string* error) {
    std::lock_guard guard(FontLock());
    FcConfig* config = FontconfigConfig(error);
    if (!config) {
        return std::nullopt;
    }

    FcPattern* pattern = FcPatternCreate();
    if (!pattern) {
        if (error) {
            *error = "out of memory asking fontconfig for a font";
        }
        return std::nullopt;
    }
    const std::string family = familyUtf8.empty() ? std::string("sans-serif") : familyUtf8;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    // Text is drawn at any size, so an outline face beats a bitmap one of the right name.
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);

    std::optional<FaceFile> found;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
        FaceFile file;
        file.path = reinterpret_cast<const char*>(path);
        int index = 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
            file.index = index;
        }
        FcChar8* name = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name) {
            file.family = reinterpret_cast<const char*>(name);
        }
        found = std::move(file);
    } else if (error) {
        *error = "fontconfig found no font for \"" + family + "\"";
    }
    if (match) {
        FcPatternDestroy(match);
    }
    return found;
}

SizedFace::SizedFace(FT_Face face, int32_t pixelHeight) : face_(face), pixelHeight_(pixelHeight) {
    // Lines are as tall as the face's Windows ascent and descent, scaled and rounded, which is
    // how the desktop sizes a TrueType font's cell; other faces use FreeType's own metrics.
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const int64_t ppem = face->size->metrics.y_ppem;
    if (FT_IS_SCALABLE(face) && os2 && os2->version != 0xFFFF && face->units_per_EM > 0 &&
        os2->usWinAscent + os2->usWinDescent > 0) {
        ascent_ = RoundedScale(os2->usWinAscent, ppem, face->units_per_EM);
        descent_ = RoundedScale(os2->usWinDescent, ppem, face->units_per_EM);
    } else {
        ascent_ = static_cast<int32_t>((face->size->metrics.ascender + 32) >> 6);
        descent_ = static_cast<int32_t>((-face->size->metrics.descender + 32) >> 6);
    }
    if (ascent_ < 0) {
        ascent_ = 0;
    }
    if (descent_ < 0) {
        descent_ = 0;
    }
    if (ascent_ + descent_ == 0) {
        ascent_ = pixelHeight;
    }
}

SizedFace::~SizedFace() {
    std::lock_guard guard(FontLock());
    FT_Done_Face(face_);
}

std::shared_ptr<SizedFace> OpenSizedFace(const FaceFile& file, int32_t pixelHeight,
                                         std::string* error) {
    static uint64_t clock = 0;
    std::vector<CachedFace>& cache = FaceCache();
    ++clock;
    for (CachedFace& entry : cache) {
        if (entry.path == file.path && entry.index == file.index &&
            entry.pixelHeight == pixelHeight) {
            entry.lastUse = clock;
            return entry.face;
        }
    }

    FT_Library library = FreeTypeLibrary(error);
    if (!library) {
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) {
        if (error) {
            *error = "FreeType could not open " + file.path;
        }
        return nullptr;
    }
    const bool sized = FT_IS_SCALABLE(face) ? FT_Set_Pixel_Sizes(face, 0, pixelHeight) == 0
                                            : SelectNearestStrike(face, pixelHeight);
    if (!sized) {
        FT_Done_Face(face);
        if (error) {
            *error = "FreeType could not size " + file.path;
        }
        return nullptr;
    }
    // Symbol faces map their characters at U+F000 onwards; everything else is read through
    // its Unicode map, which FreeType picks by itself when the face has one.
    if (!face->charmap) {
        FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL);
    }

    auto sizedFace = std::make_shared<SizedFace>(face, pixelHeight);
    if (cache.size() >= kMaxOpenFaces) {
        auto oldest = cache.begin();
        for (auto it = cache.begin(); it != cache.end(); ++it) {
            if (it->lastUse < oldest->lastUse) {
                oldest = it;
            }
        }
        cache.erase(oldest);
    }
    cache.push_back({file.path, file.index, pixelHeight, sizedFace, clock});
    return sizedFace;
}

}  // namespace stagehand::host::font_library
