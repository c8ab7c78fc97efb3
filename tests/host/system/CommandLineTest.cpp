#include "host/system/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace stagehand::host {
namespace {

using Args = std::vector<std::string>;
using namespace std::string_literals;

// Blanks separate and quotes group; empty and blank lines have no arguments and a NUL ends
// the line. Before a quote, 2n backslashes give n and the quote groups, 2n+1 give n and a
// literal quote; backslashes elsewhere are literal. A doubled quote inside quotes is one quote
// and stays quoted; outside, "" opens and closes an empty group. An unterminated quote runs
// to the end. The program name is taken plainly.
TEST(CommandLineTest, SplitsLikeTheWindowsCRuntime) {
    const std::pair<std::string, Args> cases[] = {
        {"a.exe one two", {"a.exe", "one", "two"}},
        {"a.exe \t one\t\ttwo \t", {"a.exe", "one", "two"}},
        {"  \ta.exe x", {"a.exe", "x"}},
        {"a.exe \"two words\" x\"y z\"w", {"a.exe", "two words", "xy zw"}},
        {"a.exe \"\" \"\"", {"a.exe", "", ""}},
        {"a.exe \"\t\"", {"a.exe", "\t"}},
        {"caf\xE9.exe \"\xE9t\xE9\"", {"caf\xE9.exe", "\xE9t\xE9"}},
        {"", {}},
        {" \t  ", {}},
        {"\0a.exe x"s, {}},
        {"a.exe x\0y"s, {"a.exe", "x"}},
        {R"(a.exe \\"b c" d)", {"a.exe", R"(\b c)", "d"}},
        {R"(a.exe \\\\"b")", {"a.exe", R"(\\b)"}},
        {R"(a.exe \"b c)", {"a.exe", "\"b", "c"}},
        {R"(a.exe \\\"b)", {"a.exe", R"(\"b)"}},
        {R"(a.exe "x \" y")", {"a.exe", "x \" y"}},
        {R"(a.exe C:\dir\\file.txt \\server\share)",
         {"a.exe", R"(C:\dir\\file.txt)", R"(\\server\share)"}},
        {R"(a.exe "C:\My Dir\\" next)", {"a.exe", R"(C:\My Dir\)", "next"}},
        {R"(a.exe x\)", {"a.exe", R"(x\)"}},
        {R"(a.exe \\\)", {"a.exe", R"(\\\)"}},
        {R"(a.exe "say ""hi"" now")", {"a.exe", "say \"hi\" now"}},
        {R"(a.exe "a"" b")", {"a.exe", "a\" b"}},
        {R"(a.exe x""y)", {"a.exe", "xy"}},
        {"a.exe \"one two  ", {"a.exe", "one two  "}},
        {"\"my prog.exe x y", {"my prog.exe x y"}},
        {"a.exe \"", {"a.exe", ""}},
        {R"("C:\Program Files\a.exe" x)", {R"(C:\Program Files\a.exe)", "x"}},
        {R"(C:\dir\"a.exe x)", {R"(C:\dir\"a.exe)", "x"}},
        {R"("dir\\" x)", {R"(dir\\)", "x"}},
        {"\"a.exe\"b c", {"a.exe", "b", "c"}},
        {"\"\" x", {"", "x"}},
        {"a.exe", {"a.exe"}}};
    for (const auto& [line, args] : cases) {
        EXPECT_EQ(SplitCommandLine(line), args) << line;
    }
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
