// The characters shared by every reader and writer of script text.
//
// Messages, quoted strings, arrays and message handler tags are all built from these
// one-character texts. Code refers to them by name and never spells the characters inline,
// so that the parser, the tag expander and the writers cannot drift apart. Each constant is
// one character long.
#pragma once

#include <string_view>

namespace stagehand::delimiters {

// The characters that may follow the literal delimiter inside a quoted string.
inline constexpr std::string_view EscapableCharacters = "[]#\"\\";

inline constexpr std::string_view TargetCommandDelimiter = ".";
inline constexpr std::string_view DataElementDelimiter = ",";
inline constexpr std::string_view DataListBegin = "(";
inline constexpr std::string_view DataListEnd = ")";
inline constexpr std::string_view ArrayBegin = "{";
inline constexpr std::string_view ArrayEnd = "}";
inline constexpr std::string_view LiteralDelimiter = "\\";
// Opening and closing a string share one character; code names the role it means.
inline constexpr std::string_view StringBegin = "\"";
inline constexpr std::string_view StringEnd = "\"";
inline constexpr std::string_view TagBegin = "[";
inline constexpr std::string_view TagEnd = "]";
inline constexpr std::string_view HashMark = "#";

}  // namespace stagehand::delimiters
