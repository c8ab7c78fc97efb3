#include "host/files/TextEncoding.h"

#include <array>

namespace stagehand::host {
namespace {

// Code points of the bytes 0x80-0x9F; the rest of the upper half is Latin-1.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

// The 1252 byte for a code point, or -1 when 1252 has none.
int CodePointToByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (size_t i = 0; i < kHighTable.size(); ++i) {
        if (kHighTable[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one well-formed UTF-8 sequence at in[pos]. Returns its length (0 when the
// bytes there do not start a well-formed sequence) and the code point in cp.
size_t DecodeUtf8(std::string_view in, size_t pos, char32_t& cp) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(in[pos + i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (in.size() - pos < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (byte(i) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

char32_t Cp1252CodePoint(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) {
        return kHighTable[b - 0x80];
    }
    return b;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (char c : cp1252) {
        AppendUtf8(out, Cp1252CodePoint(static_cast<unsigned char>(c)));
    }
    return out;
}

bool Utf8ToCp1252Exact(std::string_view utf8, std::string& out) {
    out.clear();
    out.reserve(utf8.size());
    bool exact = true;
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = 0;
        const size_t length = DecodeUtf8(utf8, pos, cp);
        if (length == 0) {
            out.push_back('?');
            exact = false;
            ++pos;
            continue;
        }
        const int b = CodePointToByte(cp);
        if (b < 0) {
            out.push_back('?');
            exact = false;
        } else {
            out.push_back(static_cast<char>(b));
        }
        pos += length;
    }
    return exact;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    Utf8ToCp1252Exact(utf8, out);
    return out;
}

char FoldCase1252(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') {
        return static_cast<char>(b - 0x20);
    }
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) {
        return static_cast<char>(b - 0x20);
    }
    switch (b) {
        case 0x9A:
            return static_cast<char>(0x8A);
        case 0x9C:
            return static_cast<char>(0x8C);
        case 0x9E:
            return static_cast<char>(0x8E);
        case 0xFF:
            return static_cast<char>(0x9F);
        default:
            return c;
    }
}

std::string FoldCase1252(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = FoldCase1252(c);
    }
    return out;
}

bool EqualsCaseBlind1252(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase1252(a[i]) != FoldCase1252(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace stagehand::host
