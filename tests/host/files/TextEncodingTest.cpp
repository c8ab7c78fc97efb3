#include "host/files/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace stagehand::host {
namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(TextEncodingTest, EveryByteRoundTripsExactly) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    std::string back;
    EXPECT_TRUE(Utf8ToCp1252Exact(Cp1252ToUtf8(all), back));
    EXPECT_EQ(back, all);
}

TEST(TextEncodingTest, MapsTheWindowsRangeAndUndefinedBytes) {
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(Cp1252ToUtf8("\x8A\x9A\x9F"), "\u0160\u0161\u0178");
    EXPECT_EQ(Cp1252ToUtf8("\x93\x94\x96"), "\u201C\u201D\u2013");
    EXPECT_EQ(Cp1252ToUtf8("\xA0\xE9\xFF"), "\u00A0\u00E9\u00FF");
    // The five undefined bytes pass through as C1 controls.
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(Utf8ToCp1252(Bytes({0xC2, 0x81, 0xC2, 0x9D})), "\x81\x9D");
}

TEST(TextEncodingTest, UnrepresentableCodePointsBecomeOneQuestionMark) {
    std::string out;
    EXPECT_FALSE(Utf8ToCp1252Exact("a\u65E5b", out));
    EXPECT_EQ(out, "a?b");
    EXPECT_EQ(Utf8ToCp1252("\U0001F600"), "?");
    // U+0080 is a C1 control 1252 has no byte for (0x80 is the euro sign).
    EXPECT_EQ(Utf8ToCp1252(Bytes({0xC2, 0x80})), "?");
    EXPECT_TRUE(Utf8ToCp1252Exact("caf\u00E9 \u20AC", out));
    EXPECT_EQ(out, "caf\xE9 \x80");
}

// Truncated at the end (never read past it), overlong forms, surrogates, code points beyond
// U+10FFFF and bytes never valid.
TEST(TextEncodingTest, MalformedUtf8GivesOneQuestionMarkPerBadByte) {
    EXPECT_EQ(Utf8ToCp1252(Bytes({'a', 0x80, 'b'})), "a?b");
    EXPECT_EQ(Utf8ToCp1252(Bytes({'a', 0xE2, 0x82})), "a??");
    EXPECT_EQ(Utf8ToCp1252(Bytes({0xF0, 0x9F})), "??");
    EXPECT_EQ(Utf8ToCp1252(Bytes({0xC0, 0xAF})), "??");
    EXPECT_EQ(Utf8ToCp1252(Bytes({0xE0, 0x80, 0xAF})), "???");
    EXPECT_EQ(Utf8ToCp1252(Bytes({0xED, 0xA0, 0x80})), "???");
    EXPECT_EQ(Utf8ToCp1252(Bytes({0xF4, 0x90, 0x80, 0x80})), "????");
    EXPECT_EQ(Utf8ToCp1252(Bytes({0xF5, 0xFF, 'x'})), "??x");
    std::string out;
    EXPECT_FALSE(Utf8ToCp1252Exact(Bytes({0xC3}), out));
    EXPECT_EQ(out, "?");
}

TEST(TextEncodingTest, FoldsTheLettersTheDesktopFolds) {
    EXPECT_TRUE(EqualsCaseBlind1252("Movies\\Intro.SMK", "MOVIES\\intro.smk"));
    EXPECT_TRUE(EqualsCaseBlind1252("caf\xE9", "CAF\xC9"));
    EXPECT_TRUE(EqualsCaseBlind1252("\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"));
    EXPECT_TRUE(EqualsCaseBlind1252("\xE0\xFE", "\xC0\xDE"));
    // Division and multiplication signs, sharp s and micro sign are not letters to fold.
    EXPECT_FALSE(EqualsCaseBlind1252("\xF7", "\xD7"));
    EXPECT_EQ(FoldCase1252('\xDF'), '\xDF');
    EXPECT_EQ(FoldCase1252('\xB5'), '\xB5');
    EXPECT_FALSE(EqualsCaseBlind1252("ab", "abc"));
    EXPECT_FALSE(EqualsCaseBlind1252("[", "{"));
    int folded = 0;
    for (int b = 0; b < 256; ++b) {
        const char f = FoldCase1252(static_cast<char>(b));
        EXPECT_EQ(FoldCase1252(f), f) << b;
        folded += f != static_cast<char>(b) ? 1 : 0;
    }
    EXPECT_EQ(folded, 26 + 30 + 4);  // ASCII, accented letters, 0x9A 0x9C 0x9E 0xFF
}

}  // namespace
}  // namespace stagehand::host
