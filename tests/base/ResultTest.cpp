#include "base/Result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace stagehand::base {
namespace {

// A reader in the shape the player's readers have: a value, or the sentence that says why
// not, passed up unchanged by whoever calls it.
Result<std::unique_ptr<int>> ReadNumber(int number) {
    if (number < 0) {
        return Fail("the number %d is negative.", {number});
    }
    return std::make_unique<int>(number);
}

Result<std::vector<std::unique_ptr<int>>> ReadNumbers(const std::vector<int>& numbers) {
    std::vector<std::unique_ptr<int>> read;
    for (int number : numbers) {
        Result<std::unique_ptr<int>> one = ReadNumber(number);
        if (!one) {
            return one.failure();
        }
        read.push_back(std::move(one).value());
    }
    return read;
}

Result<void> Check(bool fine) {
    if (!fine) {
        return Failure("it is not fine.");
    }
    return {};
}

TEST(Result, HoldsMoveOnlyValuesAndPassesFailuresUpUnchanged) {
    struct Case {
        std::vector<int> numbers;
        const char* error;  // null when every number is read
    };
    const Case cases[] = {
        {{}, nullptr},
        {{1, 2, 3}, nullptr},
        {{1, -2, -3}, "the number -2 is negative."},
        {{-7}, "the number -7 is negative."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.numbers));
        Result<std::vector<std::unique_ptr<int>>> read = ReadNumbers(c.numbers);
        ASSERT_EQ(read.ok(), c.error == nullptr);
        ASSERT_EQ(static_cast<bool>(read), read.ok());
        if (c.error) {
            EXPECT_EQ(read.error(), c.error);
            continue;
        }
        ASSERT_EQ(read->size(), c.numbers.size());
        for (size_t i = 0; i < c.numbers.size(); ++i) {
            EXPECT_EQ(*(*read)[i], c.numbers[i]);
        }
        // Moving the value out leaves the Result holding a moved-from value, not a failure.
        std::vector<std::unique_ptr<int>> taken = *std::move(read);
        EXPECT_EQ(taken.size(), c.numbers.size());
        EXPECT_TRUE(read.ok());
    }

    // A text value and a text failure never mix up, whichever way the Result is made.
    const Result<std::string> text = "a value";
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(*text, "a value");
    const Result<std::string> refused = Failure("a value");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), "a value");
    const Result<std::string> empty = std::string();
    EXPECT_TRUE(empty.ok());

    EXPECT_TRUE(Check(true).ok());
    const Result<void> failed = Check(false);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "it is not fine.");
    const Result<int> passedOn = failed.failure();
    ASSERT_FALSE(passedOn);
    EXPECT_EQ(passedOn.error(), "it is not fine.");
}

}  // namespace
}  // namespace stagehand::base
