#include "host/files/ProfileFile.h"

#include <gtest/gtest.h>

#include <string>

namespace stagehand::host {
namespace {

using namespace std::string_literals;

std::optional<std::string_view> Value(const ProfileFile& file, std::string_view section,
                                      std::string_view key) {
    const ProfileSection* s = file.FindSection(section);
    return s ? s->FindValue(key) : std::nullopt;
}

// Comments and lines without a key are lines, but not keys.
TEST(ProfileFileTest, NormalisesKeyLinesAndTrimsEveryLine) {
    const ProfileFile file = ProfileFile::Parse(
        "[Roles]\n  Key = Value  \n\tTabbed\t=\v two words \f\nEmpty=\n=nokey\n\n   \n"
        "  ; note = 1\n;x=2\nplain words\n");
    const ProfileSection* roles = file.FindSection("Roles");
    ASSERT_NE(roles, nullptr);
    EXPECT_EQ(roles->Text(),
              "Key=Value\0Tabbed=two words\0Empty=\0=nokey\0; note = 1\0;x=2\0plain words\0"s);
    EXPECT_EQ(roles->LineCount(), 7u);
    EXPECT_EQ(roles->LineKey(0), "Key");
    for (size_t line : {4, 5, 6}) {
        EXPECT_EQ(roles->LineKey(line), std::nullopt) << line;
    }
    for (const char* key : {"; note", ";x", "plain words", "missing"}) {
        EXPECT_EQ(roles->FindValue(key), std::nullopt) << key;
    }
    EXPECT_EQ(roles->FindValue("key"), "Value");
    EXPECT_EQ(roles->FindValue("TABBED"), "two words");
    EXPECT_EQ(roles->FindValue("empty"), "");
}

TEST(ProfileFileTest, SplitsLinesAtLfCrlfLoneCrAndCutsAtNul) {
    const ProfileFile file = ProfileFile::Parse("[s]\ra=1\r\nb=2\nc=3\r\rd=x\0ignored=9\ne=5\r"s);
    EXPECT_EQ(file.FindSection("s")->Text(), "a=1\0b=2\0c=3\0d=x\0e=5\0"s);
    EXPECT_EQ(Value(file, "s", "a"), "1");
    EXPECT_EQ(Value(file, "s", "e"), "5");
    EXPECT_EQ(file.FindSection("s")->LineCount(), 5u);
    // A NUL right at the start of a line leaves a blank line.
    EXPECT_EQ(ProfileFile::Parse("[s]\n\0k=1\nj=2"s).FindSection("s")->Text(), "j=2\0"s);
    // Each value knows its line in the file: every break counts, CR LF as one, blank lines and
    // what a NUL hid too; the first of two equal keys wins in its line as in its value.
    std::string big = "[big]\n\n";  // more lines than are searched one by one
    for (char key = 'a'; key <= 'q'; ++key) {
        big += std::string(1, key) + "=1\n";
    }
    const ProfileFile numbered =
        ProfileFile::Parse(big + "C=again\n[s]\ra=1\r\nb=2\nc=3\r\rd=x\0ignored=9\ne=5\r"s);
    struct Case {
        std::string_view section, key;
        uint32_t line;
    };
    for (const Case& c : {Case{"s", "a", 22}, Case{"s", "b", 23}, Case{"s", "e", 27},
                          Case{"big", "a", 3}, Case{"big", "c", 5}}) {
        uint32_t line = 0;
        EXPECT_TRUE(numbered.FindSection(c.section)->FindValue(c.key, &line)) << c.key;
        EXPECT_EQ(line, c.line) << c.key;
    }
}

TEST(ProfileFileTest, ReadsHeadersAsTheDesktopDoes) {
    const ProfileFile file = ProfileFile::Parse(
        "orphan=1\n[ Spaced Name ] junk=2\nk=1\n[broken=3\n[nobracket\n[]\nempty=yes\n");
    ASSERT_EQ(file.Sections().size(), 2u);
    const ProfileSection* spaced = file.FindSection("spaced name");
    ASSERT_NE(spaced, nullptr);
    EXPECT_EQ(spaced->Name(), "Spaced Name");
    // Junk after `]` is dropped; a `[` line without `]` is an ordinary line.
    EXPECT_EQ(spaced->Text(), "k=1\0[broken=3\0[nobracket\0"s);
    EXPECT_EQ(spaced->FindValue("[broken"), "3");
    EXPECT_EQ(spaced->FindValue("junk"), std::nullopt);
    EXPECT_EQ(Value(file, "", "empty"), "yes");
    // Lines before the first header belong to no section.
    EXPECT_EQ(Value(file, "", "orphan"), std::nullopt);
    EXPECT_TRUE(ProfileFile::Parse("").Sections().empty());
    EXPECT_TRUE(ProfileFile::Parse("a=1\nb=2").Sections().empty());
    EXPECT_TRUE(ProfileFile::Parse("\0[s]\nk=1"s).Sections().empty());
    EXPECT_EQ(ProfileFile::Parse("[s]").FindSection("S")->Text(), "");
}

TEST(ProfileFileTest, FirstOfDuplicateSectionsAndKeysWins) {
    const ProfileFile file =
        ProfileFile::Parse("[Main]\nk=1\nK=2\n[other]\nx=1\n[MAIN]\nk=3\nlater=4\n");
    ASSERT_EQ(file.Sections().size(), 2u);
    EXPECT_EQ(Value(file, "main", "K"), "1");
    EXPECT_EQ(Value(file, "main", "later"), std::nullopt);
    EXPECT_EQ(file.FindSection("main")->Text(), "k=1\0K=2\0"s);
    // The ignored duplicate does not swallow the section before it.
    EXPECT_EQ(Value(file, "other", "x"), "1");
}

TEST(ProfileFileTest, MatchesNamesCaseBlindIn1252AndKeepsValueCase) {
    const ProfileFile file = ProfileFile::Parse("[\xC9t\xE9]\n\xC0 Propos=\"Mixed Case\"\nx=a=b\n");
    EXPECT_EQ(Value(file, "\xE9T\xC9", "\xE0 PROPOS"), "\"Mixed Case\"");
    EXPECT_EQ(Value(file, "ETE", "\xE0 propos"), std::nullopt);
    // Only the first `=` separates key from value.
    EXPECT_EQ(Value(file, "\xE9t\xE9", "X"), "a=b");
}

// The worst case for memory is a file of nothing but tiny distinct sections: each costs its
// section record and its name's place in the index, still a small multiple of its bytes.
TEST(ProfileFileTest, TinySectionsCostASmallMultipleOfTheirBytes) {
    for (const int count : {1'000, 200'000}) {
        std::string bytes;
        for (int i = 0; i < count; ++i) {
            bytes += "[" + std::to_string(i) + "]\n";
        }
        const ProfileFile file = ProfileFile::Parse(bytes);
        ASSERT_EQ(file.Sections().size(), static_cast<size_t>(count));
        EXPECT_EQ(file.FindSection(std::to_string(count - 1))->Name(), std::to_string(count - 1));
        EXPECT_LT(file.MemoryBytes(), 8 * bytes.size()) << count;
    }
}

}  // namespace
}  // namespace stagehand::host
