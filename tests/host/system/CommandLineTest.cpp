#include "host/system/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace stagehand::host {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineTest, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(SplitCommandLine("a.exe one two"), (Args{"a.exe", "one", "two"}));
    EXPECT_EQ(SplitCommandLine("a.exe \t one\t\ttwo \t"), (Args{"a.exe", "one", "two"}));
    EXPECT_EQ(SplitCommandLine("  \ta.exe x"), (Args{"a.exe", "x"}));
    EXPECT_EQ(SplitCommandLine("a.exe \"two words\" x\"y z\"w"),
              (Args{"a.exe", "two words", "xy zw"}));
    EXPECT_EQ(SplitCommandLine("a.exe \"\" \"\""), (Args{"a.exe", "", ""}));
    EXPECT_EQ(SplitCommandLine("a.exe \"\t\""), (Args{"a.exe", "\t"}));
    EXPECT_EQ(SplitCommandLine("caf\xE9.exe \"\xE9t\xE9\""), (Args{"caf\xE9.exe", "\xE9t\xE9"}));
}

TEST(CommandLineTest, EmptyAndBlankLinesHaveNoArguments) {
    EXPECT_EQ(SplitCommandLine(""), Args{});
    EXPECT_EQ(SplitCommandLine(" \t  "), Args{});
    EXPECT_EQ(SplitCommandLine(std::string("\0a.exe x", 8)), Args{});
    EXPECT_EQ(SplitCommandLine(std::string("a.exe x\0y", 9)), (Args{"a.exe", "x"}));
}

TEST(CommandLineTest, BackslashesBeforeAQuote) {
    // 2n backslashes: n of them, and the quote groups.
    EXPECT_EQ(SplitCommandLine(R"(a.exe \\"b c" d)"), (Args{"a.exe", R"(\b c)", "d"}));
    EXPECT_EQ(SplitCommandLine(R"(a.exe \\\\"b")"), (Args{"a.exe", R"(\\b)"}));
    // 2n+1 backslashes: n of them and a literal quote.
    EXPECT_EQ(SplitCommandLine(R"(a.exe \"b c)"), (Args{"a.exe", "\"b", "c"}));
    EXPECT_EQ(SplitCommandLine(R"(a.exe \\\"b)"), (Args{"a.exe", R"(\"b)"}));
    EXPECT_EQ(SplitCommandLine(R"(a.exe "x \" y")"), (Args{"a.exe", "x \" y"}));
}

TEST(CommandLineTest, BackslashesElsewhereAreLiteral) {
    EXPECT_EQ(SplitCommandLine(R"(a.exe C:\dir\\file.txt \\server\share)"),
              (Args{"a.exe", R"(C:\dir\\file.txt)", R"(\\server\share)"}));
    EXPECT_EQ(SplitCommandLine(R"(a.exe "C:\My Dir\\" next)"),
              (Args{"a.exe", R"(C:\My Dir\)", "next"}));
    EXPECT_EQ(SplitCommandLine(R"(a.exe x\)"), (Args{"a.exe", R"(x\)"}));
    EXPECT_EQ(SplitCommandLine(R"(a.exe \\\)"), (Args{"a.exe", R"(\\\)"}));
}

TEST(CommandLineTest, DoubledQuoteInsideQuotesIsOneQuoteAndStaysQuoted) {
    EXPECT_EQ(SplitCommandLine(R"(a.exe "say ""hi"" now")"), (Args{"a.exe", "say \"hi\" now"}));
    EXPECT_EQ(SplitCommandLine(R"(a.exe "a"" b")"), (Args{"a.exe", "a\" b"}));
    // Outside quotes, "" opens and closes an empty group.
    EXPECT_EQ(SplitCommandLine(R"(a.exe x""y)"), (Args{"a.exe", "xy"}));
}

TEST(CommandLineTest, UnterminatedQuoteRunsToTheEnd) {
    EXPECT_EQ(SplitCommandLine("a.exe \"one two  "), (Args{"a.exe", "one two  "}));
    EXPECT_EQ(SplitCommandLine("\"my prog.exe x y"), (Args{"my prog.exe x y"}));
    EXPECT_EQ(SplitCommandLine("a.exe \""), (Args{"a.exe", ""}));
}

TEST(CommandLineTest, ProgramNameIsTakenPlainly) {
    EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\a.exe" x)"),
              (Args{R"(C:\Program Files\a.exe)", "x"}));
    EXPECT_EQ(SplitCommandLine(R"(C:\dir\"a.exe x)"), (Args{R"(C:\dir\"a.exe)", "x"}));
    EXPECT_EQ(SplitCommandLine(R"("dir\\" x)"), (Args{R"(dir\\)", "x"}));
    EXPECT_EQ(SplitCommandLine("\"a.exe\"b c"), (Args{"a.exe", "b", "c"}));
    EXPECT_EQ(SplitCommandLine("\"\" x"), (Args{"", "x"}));
    EXPECT_EQ(SplitCommandLine("a.exe"), (Args{"a.exe"}));
}

TEST(CommandLineTest, LongRunsStayLinear) {
    // A megabyte of backslashes and of quotes: finishes at once, output bounded by input.
    const std::string slashes = "a.exe " + std::string(1 << 20, '\\') + "\"";
    const Args bySlashes = SplitCommandLine(slashes);
    ASSERT_EQ(bySlashes.size(), 2u);
    EXPECT_EQ(bySlashes[1], std::string(1 << 19, '\\'));
    const Args byQuotes = SplitCommandLine("a.exe " + std::string(1 << 20, '"'));
    ASSERT_EQ(byQuotes.size(), 2u);
    EXPECT_LE(byQuotes[1].size(), size_t{1} << 19);
}

}  // namespace
}  // namespace stagehand::host
