#include "host/gfx/Font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace stagehand::host {
namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(FontTest, PointsBecomeDesktopPixelHeights) {
    EXPECT_EQ(Font::PixelHeightForPoints(12), 16);
    EXPECT_EQ(Font::PixelHeightForPoints(0), Font::kDefaultPixelHeight);
    EXPECT_EQ(Font::PixelHeightForPoints(8), 11);   // 10.67
    EXPECT_EQ(Font::PixelHeightForPoints(10), 13);  // 13.33
    EXPECT_EQ(Font::PixelHeightForPoints(-12), 16);
    EXPECT_EQ(Font::PixelHeightForPoints(INT32_MAX), Font::kMaxPixelHeight);
    EXPECT_EQ(Font::PixelHeightForPoints(INT32_MIN), Font::kMaxPixelHeight);
}

TEST(FontTest, NamesResolveThroughFontconfig) {
    const auto fallback = Font::Create("", 12);
    ASSERT_FALSE(fallback->IsEmpty()) << "no fonts installed";
    EXPECT_FALSE(fallback->Family().empty());

    // An unknown name gets the same default sans face as no name at all.
    const auto unknown = Font::Create("No Such Typeface 8472", 12);
    EXPECT_EQ(unknown->FilePath(), fallback->FilePath());

    const auto liberation = Font::Create("Liberation Sans", 12);
    if (!Has(liberation->Family(), "Liberation Sans")) {
        GTEST_SKIP() << "fonts-liberation missing";
    }
    EXPECT_TRUE(Has(Font::Create("Arial", 12)->Family(), "Liberation Sans"));
    EXPECT_TRUE(Has(Font::Create("Courier New", 12)->Family(), "Liberation Mono"));
    EXPECT_TRUE(Has(Font::Create("Times New Roman", 12)->Family(), "Liberation Serif"));
}

TEST(FontTest, SameNameAndSizeShareOneFont) {
    const auto a = Font::Create("Arial", 12);
    EXPECT_EQ(Font::Create("ARIAL", 12), a);                         // names are case-blind
    EXPECT_EQ(Font::Create(std::string("arial\0junk", 10), 12), a);  // cut at the NUL
    EXPECT_EQ(Font::Create("Arial", -12), a);                        // same pixel height
    EXPECT_NE(Font::Create("Arial", 13), a);
}

TEST(FontTest, TwelvePointsDrawSixteenPixelCharactersOfWindows1252Text) {
    const auto font = Font::Create("Arial", 12);
    ASSERT_FALSE(font->IsEmpty());
    EXPECT_EQ(font->PixelHeight(), 16);
    // A capital stands about 0.72 em above the baseline and nothing goes below it; the line is
    // the em plus the face's leading.
    const auto h = font->GlyphFor('H');
    ASSERT_TRUE(h);
    EXPECT_GE(h->top, 10);
    EXPECT_LE(h->top, 13);
    EXPECT_EQ(h->top, h->height);
    EXPECT_GE(font->Ascent(), h->top);
    EXPECT_GE(font->LineHeight(), 16);
    EXPECT_LE(font->LineHeight(), 20);

    const auto big = Font::Create("Arial", 24);
    const auto bigH = big->GlyphFor('H');
    ASSERT_TRUE(bigH);
    EXPECT_NEAR(bigH->height, 2 * h->height, 2);
    EXPECT_NEAR(big->MeasureWidth("Hello, world"), 2 * font->MeasureWidth("Hello, world"), 4);

    // Glyphs and widths of Windows-1252 text.
    // 0x80 is the euro sign and 0xE9 e acute: both drawn, neither as the missing-glyph box.
    const auto euro = font->GlyphFor(0x80);
    const auto box = font->GlyphFor(0x81);  // undefined in 1252: the face has no glyph
    ASSERT_TRUE(euro && box);
    EXPECT_NE(euro->coverage, box->coverage);
    EXPECT_GT(font->Advance(0xE9), 0);

    EXPECT_EQ(font->Advance('\r'), 0);
    EXPECT_EQ(font->Advance('\n'), 0);
    EXPECT_EQ(font->GlyphFor('\n'), nullptr);
    EXPECT_EQ(font->Advance('\t'), font->Advance(' '));
    EXPECT_EQ(font->GlyphFor(' '), nullptr);
    EXPECT_EQ(font->MeasureWidth("Wi\r\n"), font->Advance('W') + font->Advance('i'));
    EXPECT_GT(font->Advance('W'), font->Advance('i'));

    // Glyphs are kept: asking twice gives the same bitmap. Hinting puts a horizontal bar on
    // whole pixel rows, so the bar of a T is fully covered.
    EXPECT_EQ(font->GlyphFor('T'), font->GlyphFor('T'));
    const auto t = font->GlyphFor('T');
    EXPECT_GE(std::count(t->coverage.begin(), t->coverage.begin() + t->width, 255), t->width - 2);
}

}  // namespace
}  // namespace stagehand::host
