#include "host/gfx/TextLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/gfx/Font.h"
#include "host/gfx/TextFormat.h"

namespace stagehand::host {
namespace {

using namespace text_format;

// Laid out in a fixed-pitch face, so widths are whole numbers of characters.
class TextLayoutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (font_->IsEmpty() || font_->Advance('i') != font_->Advance('W')) {
            GTEST_SKIP() << "no fixed-pitch face for Courier New";
        }
    }

    // The text of each line.
    std::vector<std::string> Lines(std::string_view text, int32_t widthInChars,
                                   uint32_t format = kWordBreak) const {
        std::vector<std::string> out;
        for (const TextLine& line : LayoutText(*font_, text, Box(widthInChars), format)) {
            out.emplace_back(text.substr(line.start, line.length));
        }
        return out;
    }
    Rect Box(int32_t widthInChars, int32_t height = 100) const {
        return Rect::FromSize(10, 20, widthInChars * a_, height);
    }

    std::shared_ptr<const Font> font_ = Font::Create("Courier New", 12);
    int32_t a_ = font_->Advance('x');
    int32_t lh_ = font_->LineHeight();
};

using Strings = std::vector<std::string>;

TEST_F(TextLayoutTest, WrapsBetweenWordsAtTheWidth) {
    EXPECT_EQ(Lines("aaa bbb ccc", 7), (Strings{"aaa bbb", "ccc"}));  // exactly fits
    EXPECT_EQ(Lines("aaa bbb ccc", 6), (Strings{"aaa", "bbb", "ccc"}));
    EXPECT_EQ(Lines("aaa bbb ccc", 11), (Strings{"aaa bbb ccc"}));
    // Blanks at a break are dropped, wherever the width runs out among them; blanks that lead
    // a paragraph or end its last line stay.
    EXPECT_EQ(Lines("aaa   bbb", 4), (Strings{"aaa", "bbb"}));
    EXPECT_EQ(Lines("aaa \t bbb", 8), (Strings{"aaa", "bbb"}));
    EXPECT_EQ(Lines("  aa bb  ", 4), (Strings{"  aa", "bb  "}));
    // Without kWordBreak lines run on.
    EXPECT_EQ(Lines("aaa bbb ccc", 3, kLeft), (Strings{"aaa bbb ccc"}));
}

TEST_F(TextLayoutTest, LongWordsOverflowUnbroken) {
    EXPECT_EQ(Lines("a verylongword b", 3), (Strings{"a", "verylongword", "b"}));
    EXPECT_EQ(Lines("verylongword b", 3), (Strings{"verylongword", "b"}));
    EXPECT_EQ(Lines("one two", 0), (Strings{"one", "two"}));
    const auto lines = LayoutText(*font_, "a verylongword", Box(3), kWordBreak);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].width, 12 * a_);
    EXPECT_EQ(lines[1].origin, (Point{10, 20 + lh_}));
}

TEST_F(TextLayoutTest, LineBreaksInMultiLineText) {
    EXPECT_EQ(Lines("a\r\nb\rc\nd", 10), (Strings{"a", "b", "c", "d"}));
    EXPECT_EQ(Lines("a\n\nb", 10), (Strings{"a", "", "b"}));
    EXPECT_EQ(Lines("a\n\r\nb", 10, kLeft), (Strings{"a", "", "b"}));
    EXPECT_EQ(Lines("a\r\n", 10), (Strings{"a"}));
    EXPECT_EQ(Lines("", 10), (Strings{""}));
    EXPECT_EQ(Lines("\n", 10), (Strings{""}));
    // Breaks and wrapping together: each paragraph wraps on its own.
    EXPECT_EQ(Lines("aa bb\ncc dd", 3), (Strings{"aa", "bb", "cc", "dd"}));
    const auto lines = LayoutText(*font_, "x\ny\nz", Box(5), kLeft);
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(lines[i].origin.y, 20 + static_cast<int>(i) * lh_);
    }
}

TEST_F(TextLayoutTest, SingleLineIgnoresBreaksAndWrapping) {
    const auto lines = LayoutText(*font_, "ab\r\ncd ef", Box(2), kSingleLine | kWordBreak);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].length, 9u);
    EXPECT_EQ(lines[0].width, 7 * a_);  // CR and LF take no room
}

TEST_F(TextLayoutTest, AlignsEachLineAndCentresOnlyASingleLineVertically) {
    const Rect box = Box(10);  // left 10, right 10 + 10a
    const auto centred = LayoutText(*font_, "abcd ef", Box(5), kCenter | kWordBreak);
    ASSERT_EQ(centred.size(), 2u);
    // The blank at the break does not count towards the first line's width.
    EXPECT_EQ(centred[0].width, 4 * a_);
    EXPECT_EQ(centred[0].origin.x, (10 + 10 + 5 * a_ - 4 * a_) / 2);
    EXPECT_EQ(centred[1].origin.x, (10 + 10 + 5 * a_ - 2 * a_) / 2);

    const auto right = LayoutText(*font_, "abc\nd", box, kRight);
    ASSERT_EQ(right.size(), 2u);
    EXPECT_EQ(right[0].origin.x, box.right - 3 * a_);
    EXPECT_EQ(right[1].origin.x, box.right - a_);

    // Text wider than the box starts left of it when centred or right-aligned.
    EXPECT_LT(LayoutText(*font_, "abcdefghijkl", Box(4), kRight)[0].origin.x, 10);

    // Vertical centring is only for a single line.
    const Rect tall = Box(10, 60);
    const auto single = LayoutText(*font_, "abc", tall, kSingleLine | kVerticalCenter);
    EXPECT_EQ(single[0].origin.y, (tall.top + tall.bottom - lh_) / 2);
    const auto multi = LayoutText(*font_, "abc", tall, kVerticalCenter | kWordBreak);
    EXPECT_EQ(multi[0].origin.y, tall.top);
    // A box shorter than the line centres it by starting above the box.
    const auto tight = LayoutText(*font_, "abc", Box(10, 2), kSingleLine | kVerticalCenter);
    EXPECT_LT(tight[0].origin.y, 20);
}

TEST_F(TextLayoutTest, PositionsNearTheIntegerLimitsClamp) {
    const Rect far{INT32_MAX - 5, INT32_MAX - 5, INT32_MAX, INT32_MAX};
    std::string many;
    for (int i = 0; i < 50; ++i) {
        many += "line\n";
    }
    const auto lines = LayoutText(*font_, many, far, kRight);
    ASSERT_EQ(lines.size(), 50u);
    EXPECT_EQ(lines.back().origin.y, INT32_MAX);
    EXPECT_EQ(lines[0].origin.x, INT32_MAX - 4 * a_);
    const Rect low{INT32_MIN, INT32_MIN, INT32_MIN + 1, INT32_MIN + 1};
    EXPECT_EQ(LayoutText(*font_, "abc", low, kCenter)[0].origin.x, INT32_MIN);
}

}  // namespace
}  // namespace stagehand::host
