#include "visual/TextFont.h"

#include <string>

#include "host/gfx/Color.h"
#include "host/gfx/TextFormat.h"

namespace stagehand {

namespace {

// The blanks "%d" skips.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// One "%d" at `pos`: blanks, an optional sign, at least one digit. Only the low 8 bits are
// kept, so the value is summed modulo 2^32 in unsigned arithmetic, where wrapping is defined
// and leaves those bits as they would be for the exact number.
bool ReadComponent(std::string_view text, size_t& pos, uint32_t& component) {
    size_t at = pos;
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at >= text.size() || !IsDigit(text[at])) {
        return false;
    }
    uint32_t value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        value = value * 10u + static_cast<uint32_t>(text[at] - '0');
    }
    component = (negative ? 0u - value : value) & 0xFFu;
    pos = at;
    return true;
}

}  // namespace

CTextFont::CTextFont(std::string_view typeface, int32_t points)
    : font_(host::Font::Create(typeface, points)) {}

void CTextFont::ReadColorComponents(std::string_view text, uint8_t (&rgb)[3]) {
    // A C string ends at its first NUL.
    text = text.substr(0, text.find('\0'));
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') {
                return;
            }
            ++pos;
        }
        uint32_t component = 0;
        if (!ReadComponent(text, pos, component)) {
            return;
        }
        rgb[i] = static_cast<uint8_t>(component);
    }
}

uint32_t CTextFont::ParseColor(std::string_view text) {
    uint8_t rgb[3] = {0, 0, 0};
    ReadColorComponents(text, rgb);
    return rgb[0] | (uint32_t{rgb[1]} << 8) | (uint32_t{rgb[2]} << 16);
}

void CTextFont::FillBackground(const host::Rect& rect, uint32_t colorRef, host::Canvas& canvas) {
    canvas.Fill(rect, host::FromColorRef(colorRef));
}

void CTextFont::DrawText(std::string_view text, const host::Rect& rect, std::string_view colorText,
                         host::Canvas& canvas, int32_t mode, uint32_t alignment) const {
    // Each backslash-n pair becomes CR LF, two characters for two.
    std::string lines(text);
    for (size_t at = lines.find("\\n"); at != std::string::npos; at = lines.find("\\n", at + 2)) {
        lines[at] = '\r';
        lines[at + 1] = '\n';
    }
    namespace tf = host::text_format;
    uint32_t format = alignment | tf::kWordBreak | tf::kVerticalCenter;
    if (mode == kSingleLineMode) {
        format |= tf::kSingleLine;
    }
    canvas.DrawText(*font_, lines, rect, host::FromColorRef(ParseColor(colorText)), format);
}

}  // namespace stagehand
