#include "base/Readable.h"

namespace stagehand {

void AppendReadable(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool control = (byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7f;
        const bool ambiguous = byte == '\\' && i + 1 < text.size() && text[i + 1] == 'x';
        if (control || ambiguous) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += static_cast<char>(byte);
        }
    }
}

std::string Readable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendReadable(out, text);
    return out;
}

}  // namespace stagehand
