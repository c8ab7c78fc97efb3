#include "script/TextUtil.h"

#include <charconv>
#include <limits>

namespace stagehand {

std::string_view TrimLeft(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && IsScriptSpace(text[start])) {
        ++start;
    }
    return text.substr(start);
}

std::string_view TrimRight(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && IsScriptSpace(text[end - 1])) {
        --end;
    }
    return text.substr(0, end);
}

std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

int32_t ReadInteger(std::string_view text) {
    text = TrimLeft(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so that any
    // number of digits is read without overflow.
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        if (magnitude <= limit) {
            magnitude = magnitude * 10 + (c - '0');
        }
    }
    if (negative) {
        return magnitude >= limit ? std::numeric_limits<int32_t>::min()
                                  : static_cast<int32_t>(-magnitude);
    }
    return magnitude >= limit ? std::numeric_limits<int32_t>::max()
                              : static_cast<int32_t>(magnitude);
}

std::string WriteInteger(int32_t value) {
    char buffer[12];  // a sign and ten digits, the widest 32-bit value
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace stagehand
