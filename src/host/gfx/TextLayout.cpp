#include "host/gfx/TextLayout.h"

#include <algorithm>

#include "host/gfx/Font.h"
#include "host/gfx/TextFormat.h"

namespace stagehand::host {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int32_t ClampToInt32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// A line's extent before it is placed.
struct Span {
    size_t start;
    size_t length;
    int64_t width;
};

// Breaks text[begin, end), which holds no line breaks, into lines no wider than `maxWidth`
// where blanks allow it.
void WrapParagraph(const Font& font, std::string_view text, size_t begin, size_t end,
                   int64_t maxWidth, std::vector<Span>& out) {
    size_t lineStart = begin;
    for (;;) {
        int64_t width = 0;
        // The end of the last word on this line that has a blank after it, and the width up
        // to there: where the line is broken when a later word does not fit.
        size_t breakAt = 0;
        int64_t widthAtBreak = 0;
        bool haveBreak = false;
        bool sawWord = false;
        size_t wordStart = lineStart;
        size_t next = end;
        for (size_t i = lineStart; i < end; ++i) {
            const char c = text[i];
            const int32_t advance = font.Advance(static_cast<unsigned char>(c));
            if (IsBlank(c)) {
                if (sawWord && !IsBlank(text[i - 1])) {
                    breakAt = i;
                    widthAtBreak = width;
                    haveBreak = true;
                }
            } else {
                if (i == lineStart || IsBlank(text[i - 1])) {
                    wordStart = i;
                }
                if (haveBreak && width + advance > maxWidth) {
                    next = wordStart;
                    break;
                }
                sawWord = true;
            }
            width += advance;
        }
        if (next == end) {
            out.push_back({lineStart, end - lineStart, width});
            return;
        }
        // The blanks between the break and the word that did not fit are dropped.
        out.push_back({lineStart, breakAt - lineStart, widthAtBreak});
        lineStart = next;
    }
}

}  // namespace

std::vector<TextLine> LayoutText(const Font& font, std::string_view text, const Rect& rect,
                                 uint32_t format) {
    const bool singleLine = (format & text_format::kSingleLine) != 0;
    const bool wordBreak = !singleLine && (format & text_format::kWordBreak) != 0;

    std::vector<Span> spans;
    if (singleLine) {
        spans.push_back({0, text.size(), font.MeasureWidth(text)});
    } else {
        size_t pos = 0;
        do {
            size_t end = text.find_first_of("\r\n", pos);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            if (wordBreak) {
                WrapParagraph(font, text, pos, end, rect.Width(), spans);
            } else {
                spans.push_back({pos, end - pos, font.MeasureWidth(text.substr(pos, end - pos))});
            }
            // Step over the break: CR LF as one, or a lone CR or LF.
            pos = end;
            if (pos < text.size()) {
                if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') {
                    ++pos;
                }
                ++pos;
            }
        } while (pos < text.size());
    }

    const int64_t lineHeight = font.LineHeight();
    int64_t top = rect.top;
    if (singleLine && (format & text_format::kVerticalCenter) != 0) {
        top = (int64_t{rect.top} + rect.bottom - lineHeight) / 2;
    }

    std::vector<TextLine> lines;
    lines.reserve(spans.size());
    for (size_t i = 0; i < spans.size(); ++i) {
        const Span& s = spans[i];
        int64_t x = rect.left;
        if (format & text_format::kCenter) {
            x = (int64_t{rect.left} + rect.right - s.width) / 2;
        } else if (format & text_format::kRight) {
            x = int64_t{rect.right} - s.width;
        }
        const int64_t y = top + static_cast<int64_t>(i) * lineHeight;
        lines.push_back(
            {s.start, s.length, {ClampToInt32(x), ClampToInt32(y)}, ClampToInt32(s.width)});
    }
    return lines;
}

}  // namespace stagehand::host
