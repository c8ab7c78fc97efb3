// Media lists: plain text files that describe simple BMP images, one a line, so tests and
// the bundled demo can make the pictures they need at build time instead of shipping them.
//
//   # a comment line; blank lines are skipped
//   NAME.bmp WIDTH HEIGHT DEPTH STYLE COLOR1 [COLOR2]
//   caption NAME.bmp TOP POINTS COLOR TEXT...
//   paint NAME.bmp X Y WIDTH HEIGHT STYLE COLOR1 [COLOR2]
//
// DEPTH is 8 (a colour table), 24 or rle8 (8 bits, RLE8 compressed). STYLE is solid (COLOR1),
// vgradient (COLOR1 at the top row to COLOR2 at the bottom), hgradient (left to right),
// checker (8 x 8 squares, COLOR1 at the top-left) or frame (COLOR1 inside a 2-pixel border of
// COLOR2). Colours are #RRGGBB. Gradients take at most 256 steps, so every image fits a
// colour table.
//
// A caption line writes TEXT (the rest of the line) on an image listed above it, centred
// across the image in a line whose top is TOP, in the player's default face at POINTS
// points (6 to 200). Only 24-bit images take captions: smoothed text needs more colours
// than a colour table holds.
//
// A paint line fills a WIDTH x HEIGHT rectangle of a 24-bit image listed above it, its
// top-left corner at (X, Y), in a style of its own, as if it were an image of that size:
// how a button's strip of state cuts is made. Paints are drawn in order, before captions.
//
// Guarantees: a list is refused whole, with the line and what is wrong, before anything is
// written; names are plain file names (no folders), sizes 1 to 4096.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/gfx/Color.h"
#include "testkit/BmpWriter.h"

namespace stagehand::testkit {

enum class MediaDepth { kIndexed8, kRgb24, kRle8 };
enum class MediaStyle { kSolid, kVerticalGradient, kHorizontalGradient, kChecker, kFrame };

struct MediaCaption {
    int32_t top = 0;
    int32_t points = 12;
    host::Color color = host::kBlack;
    std::string text;
};

struct MediaImage;
struct MediaPaint {
    int32_t x = 0;
    int32_t y = 0;
    std::shared_ptr<const MediaImage> fill;  // its size, style and colours
};

struct MediaImage {
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
    MediaDepth depth = MediaDepth::kRgb24;
    MediaStyle style = MediaStyle::kSolid;
    host::Color color1 = host::kBlack;
    host::Color color2 = host::kBlack;
    std::vector<MediaCaption> captions;
    std::vector<MediaPaint> paints;
};

constexpr int32_t kMaxMediaSide = 4096;
constexpr int32_t kCheckerSquare = 8;
constexpr int32_t kFrameBorder = 2;
constexpr int32_t kMinCaptionPoints = 6;
constexpr int32_t kMaxCaptionPoints = 200;
// The face captions are drawn in; the font lookup finds the installed face that stands for it.
constexpr std::string_view kCaptionFace = "Arial";

// The images of a list, or nullopt with "line N: what is wrong" in `error`.
std::optional<std::vector<MediaImage>> ParseMediaList(std::string_view text, std::string* error);

// The colour of one pixel of the image.
host::Color MediaPixel(const MediaImage& image, int32_t x, int32_t y);

// The image as a BMP description, ready for testing::WriteBmp; captions drawn (a caption
// whose face cannot be found is left out).
testing::BmpImage RenderMedia(const MediaImage& image);

}  // namespace stagehand::testkit
