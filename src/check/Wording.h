// Small helpers the checks share to read numbered keys and word their faults.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace stagehand::check {

// The number `digits` is when written as the player writes numbered keys ("%u": no sign, no
// leading zero), or 0.
inline uint32_t WrittenNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 10 || digits.front() == '0' ||
        digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return 0;
    }
    const uint64_t number = std::stoull(std::string(digits));
    return number > UINT32_MAX ? 0 : static_cast<uint32_t>(number);
}

inline std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// "a Scene", "an Integer".
inline std::string WithArticle(std::string_view type) {
    const bool vowel =
        !type.empty() && std::string_view("AEIOU").find(type.front()) != std::string_view::npos;
    return (vowel ? "an " : "a ") + std::string(type);
}

}  // namespace stagehand::check
