// Conversions between the titles' Windows-1252 text and the host's UTF-8, and the
// case-blind comparison titles expect for file, section and key names.
//
// Guarantees: every function accepts any byte sequence, never reads past the input and
// never throws except on allocation failure. Cp1252ToUtf8 is lossless; Utf8ToCp1252 is
// lossless for text that came from Cp1252ToUtf8.
// Where it bites: title text is bytes in std::string, host text is UTF-8 in std::string,
// and the types do not tell them apart; convert at the boundary and nowhere else.
#pragma once

#include <string>
#include <string_view>

namespace stagehand::host {

// Windows-1252 bytes to UTF-8. The five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become U+0081 etc., as the desktop converts them.
std::string Cp1252ToUtf8(std::string_view cp1252);

// The Unicode code point of one 1252 byte (the undefined five as above).
char32_t Cp1252CodePoint(unsigned char b);

// UTF-8 to Windows-1252. A code point 1252 cannot hold becomes '?'; each byte that is not
// part of a well-formed UTF-8 sequence (overlong forms and surrogates included) becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// As Utf8ToCp1252, but returns false when anything was unrepresentable or malformed
// (out then holds the lossy conversion).
bool Utf8ToCp1252Exact(std::string_view utf8, std::string& out);

// Folds one 1252 character to its upper-case form: ASCII letters, the accented letters
// 0xE0-0xFE (except 0xF7) onto 0xC0-0xDE, and 0x9A, 0x9C, 0x9E, 0xFF onto 0x8A, 0x8C,
// 0x8E, 0x9F. Every other byte is returned unchanged.
char FoldCase1252(char c);

// The whole string folded with FoldCase1252: the key to hash case-blind names by.
std::string FoldCase1252(std::string_view text);

// True when both strings are equal after folding every character.
bool EqualsCaseBlind1252(std::string_view a, std::string_view b);

}  // namespace stagehand::host
