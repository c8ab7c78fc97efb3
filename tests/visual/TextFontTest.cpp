// Colour texts as titles write them, read into red + 256 x green + 65536 x blue.
#include <gtest/gtest.h>

#include <string>

#include "visual/TextFont.h"

namespace stagehand::testing {
namespace {

constexpr uint32_t Ref(uint32_t red, uint32_t green, uint32_t blue) {
    return red | (green << 8) | (blue << 16);
}

TEST(ParseColor, ReadsThreeNumbersUntilTheFirstMismatchKeepingTheirLowBits) {
    struct Case {
        std::string text;
        uint32_t expected;
    };
    const Case cases[] = {
        {"", Ref(0, 0, 0)},
        {"255,0,0", Ref(255, 0, 0)},
        {"255", Ref(255, 0, 0)},
        {"0, 128", Ref(0, 128, 0)},
        {"155, 155, 155", Ref(155, 155, 155)},
        {"1,2,3", Ref(1, 2, 3)},
        {"\t\n 1,\r\v\f2, 3 trailing", Ref(1, 2, 3)},
        // A blank before a comma ends the reading; so does anything but a number or comma.
        {"255 ,255,0", Ref(255, 0, 0)},
        {"10,20 ,30", Ref(10, 20, 0)},
        {"10;20;30", Ref(10, 0, 0)},
        {"10,,30", Ref(10, 0, 0)},
        {"red", Ref(0, 0, 0)},
        {",5,6", Ref(0, 0, 0)},
        {"- 5,6,7", Ref(0, 0, 0)},
        {"1,2,3,4", Ref(1, 2, 3)},
        {"0x10,1,1", Ref(0, 0, 0)},
        {"12ab,1", Ref(12, 0, 0)},
        {std::string("7,8\0,9", 6), Ref(7, 8, 0)},
        // Signs and low 8 bits.
        {"300,0,0", Ref(44, 0, 0)},
        {"256,257,-1", Ref(0, 1, 255)},
        {"+7,-0,-256", Ref(7, 0, 0)},
        {"-255,-129,-128", Ref(1, 127, 128)},
        // Numbers past int: the low 8 bits of the number as written.
        {"2147483647,2147483648,4294967295", Ref(255, 0, 255)},
        {"4294967296,4294967551,-4294967297", Ref(0, 255, 255)},
        {"99999999999999999999999999999999999999,1,2", Ref(255, 1, 2)},
        {"-99999999999999999999999999999999999999", Ref(1, 0, 0)},
        {"000000000000000000000000000000000000000012,3", Ref(12, 3, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CTextFont::ParseColor(c.text), c.expected) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace stagehand::testing
