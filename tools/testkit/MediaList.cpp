#include "MediaList.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "host/gfx/Canvas.h"
#include "host/gfx/Font.h"
#include "host/gfx/TextFormat.h"

namespace stagehand::testkit {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r')) {
            ++pos;
        }
        const size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '\r') {
            ++pos;
        }
        if (pos > start) {
            words.push_back(line.substr(start, pos - start));
        }
    }
    return words;
}

bool EndsWithBmp(std::string_view name) {
    if (name.size() < 5) {
        return false;
    }
    std::string end(name.substr(name.size() - 4));
    std::transform(end.begin(), end.end(), end.begin(), [](char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return end == ".bmp";
}

// Letters, digits, '_', '-' and '.', not starting with '.', ending in .bmp.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name.front() == '.' || !EndsWithBmp(name)) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '.';
    });
}

std::optional<int32_t> ParseSide(std::string_view word) {
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size() || value < 1 ||
        value > kMaxMediaSide) {
        return std::nullopt;
    }
    return value;
}

std::optional<host::Color> ParseColor(std::string_view word) {
    if (word.size() != 7 || word[0] != '#') {
        return std::nullopt;
    }
    uint32_t value = 0;
    const auto [end, ec] = std::from_chars(word.data() + 1, word.data() + 7, value, 16);
    if (ec != std::errc() || end != word.data() + 7) {
        return std::nullopt;
    }
    return value;
}

// Each channel of a to b in 256 steps; t = 0 gives a, t = 255 gives b.
host::Color Mix(host::Color a, host::Color b, uint32_t t) {
    auto channel = [t](uint8_t from, uint8_t to) {
        return static_cast<uint8_t>((from * (255 - t) + to * t + 127) / 255);
    };
    return host::Rgb(channel(host::RedOf(a), host::RedOf(b)),
                     channel(host::GreenOf(a), host::GreenOf(b)),
                     channel(host::BlueOf(a), host::BlueOf(b)));
}

// The step of position `at` of `length` on a 0..255 scale.
uint32_t Step(int32_t at, int32_t length) {
    if (length <= 1) {
        return 0;
    }
    return static_cast<uint32_t>((int64_t{at} * 255 + (length - 1) / 2) / (length - 1));
}

const std::map<std::string_view, MediaDepth> kDepths = {
    {"8", MediaDepth::kIndexed8}, {"24", MediaDepth::kRgb24}, {"rle8", MediaDepth::kRle8}};
const std::map<std::string_view, MediaStyle> kStyles = {
    {"solid", MediaStyle::kSolid},
    {"vgradient", MediaStyle::kVerticalGradient},
    {"hgradient", MediaStyle::kHorizontalGradient},
    {"checker", MediaStyle::kChecker},
    {"frame", MediaStyle::kFrame}};

// One image line, or the reason it is wrong.
std::optional<MediaImage> ParseLine(const std::vector<std::string_view>& words, std::string& why) {
    if (words.size() < 6 || words.size() > 7) {
        why = "expected NAME.bmp WIDTH HEIGHT DEPTH STYLE COLOR1 [COLOR2]";
        return std::nullopt;
    }
    MediaImage image;
    image.name = std::string(words[0]);
    if (!IsPlainName(words[0])) {
        why = "\"" + image.name + "\" is not a plain file name ending in .bmp";
        return std::nullopt;
    }
    const std::optional<int32_t> width = ParseSide(words[1]);
    const std::optional<int32_t> height = ParseSide(words[2]);
    if (!width || !height) {
        why = "width and height must be whole numbers from 1 to " + std::to_string(kMaxMediaSide);
        return std::nullopt;
    }
    image.width = *width;
    image.height = *height;
    const auto depth = kDepths.find(words[3]);
    if (depth == kDepths.end()) {
        why = "depth \"" + std::string(words[3]) + "\" is not 8, 24 or rle8";
        return std::nullopt;
    }
    image.depth = depth->second;
    const auto style = kStyles.find(words[4]);
    if (style == kStyles.end()) {
        why = "style \"" + std::string(words[4]) +
              "\" is not solid, vgradient, hgradient, checker or frame";
        return std::nullopt;
    }
    image.style = style->second;
    const bool wantsTwo = image.style != MediaStyle::kSolid;
    if (wantsTwo != (words.size() == 7)) {
        why = wantsTwo ? "style " + std::string(words[4]) + " needs two colours"
                       : "style solid takes one colour";
        return std::nullopt;
    }
    for (size_t i = 5; i < words.size(); ++i) {
        const std::optional<host::Color> color = ParseColor(words[i]);
        if (!color) {
            why = "colour \"" + std::string(words[i]) + "\" is not #RRGGBB";
            return std::nullopt;
        }
        (i == 5 ? image.color1 : image.color2) = *color;
    }
    return image;
}

// A caption line for one of `images` (which one goes to `target`), or the reason it is
// wrong.
std::optional<MediaCaption> ParseCaption(const std::vector<std::string_view>& words,
                                         std::string_view line, std::vector<MediaImage>& images,
                                         MediaImage*& target, std::string& why) {
    if (words.size() < 6) {
        why = "expected caption NAME.bmp TOP POINTS COLOR TEXT";
        return std::nullopt;
    }
    const auto found = std::find_if(images.begin(), images.end(), [&](const MediaImage& image) {
        return image.name == words[1];
    });
    if (found == images.end()) {
        why = "caption for " + std::string(words[1]) + ", which is not listed above it";
        return std::nullopt;
    }
    if (found->depth != MediaDepth::kRgb24) {
        why = "caption for " + found->name + ", which is not a 24-bit image";
        return std::nullopt;
    }
    MediaCaption caption;
    const auto [topEnd, topError] =
        std::from_chars(words[2].data(), words[2].data() + words[2].size(), caption.top);
    const auto [pointsEnd, pointsError] =
        std::from_chars(words[3].data(), words[3].data() + words[3].size(), caption.points);
    if (topError != std::errc() || topEnd != words[2].data() + words[2].size() ||
        pointsError != std::errc() || pointsEnd != words[3].data() + words[3].size() ||
        caption.top < 0 || caption.top >= found->height || caption.points < kMinCaptionPoints ||
        caption.points > kMaxCaptionPoints) {
        why = "caption TOP must lie inside the image and POINTS be " +
              std::to_string(kMinCaptionPoints) + " to " + std::to_string(kMaxCaptionPoints);
        return std::nullopt;
    }
    const std::optional<host::Color> color = ParseColor(words[4]);
    if (!color) {
        why = "colour \"" + std::string(words[4]) + "\" is not #RRGGBB";
        return std::nullopt;
    }
    caption.color = *color;
    // The text is the line from the sixth word on, as written.
    const size_t textAt = static_cast<size_t>(words[5].data() - line.data());
    std::string_view text = line.substr(textAt);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    caption.text = std::string(text);
    target = &*found;
    return caption;
}

// A paint line for one of `images`, or the reason it is wrong.
bool ParsePaint(const std::vector<std::string_view>& words, std::vector<MediaImage>& images,
                std::string& why) {
    if (words.size() < 8) {
        why = "expected paint NAME.bmp X Y WIDTH HEIGHT STYLE COLOR1 [COLOR2]";
        return false;
    }
    const auto found = std::find_if(images.begin(), images.end(), [&](const MediaImage& image) {
        return image.name == words[1];
    });
    if (found == images.end() || found->depth != MediaDepth::kRgb24) {
        why = "paint on " + std::string(words[1]) + ", which is not a 24-bit image listed above";
        return false;
    }
    MediaPaint paint;
    const auto [xEnd, xError] =
        std::from_chars(words[2].data(), words[2].data() + words[2].size(), paint.x);
    const auto [yEnd, yError] =
        std::from_chars(words[3].data(), words[3].data() + words[3].size(), paint.y);
    if (xError != std::errc() || xEnd != words[2].data() + words[2].size() ||
        yError != std::errc() || yEnd != words[3].data() + words[3].size() || paint.x < 0 ||
        paint.y < 0 || paint.x >= found->width || paint.y >= found->height) {
        why = "paint X and Y must lie inside the image";
        return false;
    }
    // The rectangle reads as an image line of its own: NAME WIDTH HEIGHT 24 STYLE COLOURS.
    std::vector<std::string_view> fillWords = {words[1], words[4], words[5], "24"};
    fillWords.insert(fillWords.end(), words.begin() + 6, words.end());
    std::optional<MediaImage> fill = ParseLine(fillWords, why);
    if (!fill) {
        return false;
    }
    paint.fill = std::make_shared<const MediaImage>(std::move(*fill));
    found->paints.push_back(std::move(paint));
    return true;
}

}  // namespace

std::optional<std::vector<MediaImage>> ParseMediaList(std::string_view text, std::string* error) {
    std::vector<MediaImage> images;
    std::set<std::string> names;
    size_t pos = 0;
    for (int lineNumber = 1; pos < text.size(); ++lineNumber) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(pos, end - pos);
        const std::vector<std::string_view> words = Words(line);
        pos = end + 1;
        if (words.empty() || words[0].front() == '#') {
            continue;
        }
        std::string why;
        if (words[0] == "paint") {
            if (!ParsePaint(words, images, why)) {
                *error = "line " + std::to_string(lineNumber) + ": " + why;
                return std::nullopt;
            }
            continue;
        }
        if (words[0] == "caption") {
            MediaImage* target = nullptr;
            std::optional<MediaCaption> caption = ParseCaption(words, line, images, target, why);
            if (!caption) {
                *error = "line " + std::to_string(lineNumber) + ": " + why;
                return std::nullopt;
            }
            target->captions.push_back(std::move(*caption));
            continue;
        }
        std::optional<MediaImage> image = ParseLine(words, why);
        if (image && !names.insert(image->name).second) {
            why = image->name + " is listed twice";
        }
        if (!why.empty()) {
            *error = "line " + std::to_string(lineNumber) + ": " + why;
            return std::nullopt;
        }
        images.push_back(std::move(*image));
    }
    return images;
}

host::Color MediaPixel(const MediaImage& image, int32_t x, int32_t y) {
    switch (image.style) {
        case MediaStyle::kSolid:
            return image.color1;
        case MediaStyle::kVerticalGradient:
            return Mix(image.color1, image.color2, Step(y, image.height));
        case MediaStyle::kHorizontalGradient:
            return Mix(image.color1, image.color2, Step(x, image.width));
        case MediaStyle::kChecker:
            return (x / kCheckerSquare + y / kCheckerSquare) % 2 == 0 ? image.color1 : image.color2;
        case MediaStyle::kFrame: {
            const bool border = x < kFrameBorder || y < kFrameBorder ||
                                x >= image.width - kFrameBorder || y >= image.height - kFrameBorder;
            return border ? image.color2 : image.color1;
        }
    }
    return host::kBlack;
}

namespace {

// The image's pixels with its paints and captions drawn on them, top row first.
std::vector<uint32_t> DrawnPixels(const MediaImage& image) {
    host::Surface surface(image.width, image.height);
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            surface.SetPixel(x, y, MediaPixel(image, x, y));
        }
    }
    for (const MediaPaint& paint : image.paints) {
        const int32_t right = std::min(image.width, paint.x + paint.fill->width);
        const int32_t bottom = std::min(image.height, paint.y + paint.fill->height);
        for (int32_t y = paint.y; y < bottom; ++y) {
            for (int32_t x = paint.x; x < right; ++x) {
                surface.SetPixel(x, y, MediaPixel(*paint.fill, x - paint.x, y - paint.y));
            }
        }
    }
    host::Canvas canvas(surface, {0, 0}, host::Region(surface.Bounds()));
    for (const MediaCaption& caption : image.captions) {
        const std::shared_ptr<const host::Font> font =
            host::Font::Create(kCaptionFace, caption.points);
        if (!font) {
            continue;
        }
        const host::Rect line{0, caption.top, image.width, caption.top + font->LineHeight()};
        canvas.DrawText(*font, caption.text, line, caption.color,
                        host::text_format::kCenter | host::text_format::kSingleLine);
    }
    return {surface.Pixels().begin(), surface.Pixels().end()};
}

}  // namespace

testing::BmpImage RenderMedia(const MediaImage& image) {
    testing::BmpImage bmp;
    bmp.width = image.width;
    bmp.height = image.height;
    bmp.bitsPerPixel = image.depth == MediaDepth::kRgb24 ? 24 : 8;
    if (image.depth == MediaDepth::kRle8) {
        bmp.encoding = testing::BmpEncoding::kRle8;
    }
    if (!image.captions.empty() || !image.paints.empty()) {
        bmp.pixels = DrawnPixels(image);
        return bmp;
    }
    // Colours in the order they first appear; every style has at most 256.
    std::map<host::Color, uint32_t> indexes;
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const host::Color color = MediaPixel(image, x, y);
            if (bmp.bitsPerPixel == 24) {
                bmp.pixels.push_back(color);
                continue;
            }
            const auto [it, added] =
                indexes.emplace(color, static_cast<uint32_t>(bmp.palette.size()));
            if (added) {
                bmp.palette.push_back(color);
            }
            bmp.pixels.push_back(it->second);
        }
    }
    return bmp;
}

}  // namespace stagehand::testkit
