// Small text helpers of the script language: the white space the scripts know, trimming,
// and reading and writing integers the way script text is read and written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace stagehand {

// Blank, tab, line feed, vertical tab, form feed and carriage return: the characters the
// C library classifies as space in the "C" locale. Bytes above 127 are never space.
constexpr bool IsScriptSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);
std::string_view Trim(std::string_view text);

// Reads a leading decimal integer: white space skipped, an optional sign, then digits up to
// the first non-digit; no digits give 0. Never fails. Values beyond the 32-bit range saturate
// at its ends instead of wrapping.
int32_t ReadInteger(std::string_view text);

// Decimal text of a 32-bit integer, with a minus sign for negatives and no padding.
std::string WriteInteger(int32_t value);

}  // namespace stagehand
