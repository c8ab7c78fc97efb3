// The settings file edited in place: one key set among lines that stay as they were, and a
// write that happens only when the text changed and never over a file that could not be read.
#include "host/files/SettingsFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;

TEST(SettingsFile, AValueIsSetAmongLinesThatStay) {
    struct Case {
        const char* what;
        const char* text;
        const char* expected;  // after Display / Scale = sharp
    };
    const Case cases[] = {
        {"an empty file", "", "[Display]\nScale=sharp\n"},
        {"another section", "[Sound]\nVolume=5", "[Sound]\nVolume=5\n\n[Display]\nScale=sharp\n"},
        {"the key replaced where it stands, case-blind, blanks and CRLF kept",
         "; mine\r\n[ display ]\r\n scale = smooth \r\nFullscreen=no\r\n",
         "; mine\r\n[ display ]\r\nScale=sharp\r\nFullscreen=no\r\n"},
        {"added after the section's last line, before the blank before the next",
         "[Display]\nFullscreen=no\n\n[Sound]\nScale=x\n",
         "[Display]\nFullscreen=no\nScale=sharp\n\n[Sound]\nScale=x\n"},
        {"a section without a line break at the end", "[Display]\nFullscreen=no",
         "[Display]\nFullscreen=no\nScale=sharp\n"},
        {"the first of two equal sections, the first of two keys",
         "[Display]\nScale=a\nScale=b\n[Display]\nScale=c\n",
         "[Display]\nScale=sharp\nScale=b\n[Display]\nScale=c\n"},
        {"a key outside the section is not it", "Scale=x\n[Display]\n",
         "Scale=x\n[Display]\nScale=sharp\n"},
        {"a header without its bracket", "[Display\nScale=1\n", "[Display\nScale=sharp\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SettingsFile::WithValue(c.text, "Display", "Scale", "sharp"), c.expected)
            << c.what;
    }
}

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SettingsFile, WrittenWholeOnlyWhenChangedAndNeverOverAnUnreadableFile) {
    testing::TempFolder folder;
    const fs::path file = folder.Path() / "config/stagehand/settings.ini";
    const auto setScale = [](std::string text) {
        return SettingsFile::WithValue(text, "Display", "Scale", "sharp");
    };
    ASSERT_EQ(SettingsFile::Read(file).value(), "");
    ASSERT_EQ(SettingsFile::Update(file, setScale).value(), true);
    EXPECT_EQ(Read(file), "[Display]\nScale=sharp\n");
    struct stat info {};
    ASSERT_EQ(stat(file.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // The same again changes nothing: no write (the file's inode stays).
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    const ino_t before = info.st_ino;
    EXPECT_EQ(SettingsFile::Update(file, setScale).value(), false);
    // A write replaces the file (a new inode) and leaves no temporary beside it.
    ASSERT_TRUE(SettingsFile::Update(file, [](std::string text) { return text + "; x\n"; }));
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_NE(info.st_ino, before);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1);

    // Too large to read, or a folder where the file should be: refused, and left as it was.
    const fs::path large = folder.Write("large.ini", std::string(SettingsFile::kMaxBytes + 1, ';'));
    EXPECT_FALSE(SettingsFile::Read(large));
    const base::Result<bool> refused = SettingsFile::Update(large, setScale);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("cannot read"), std::string::npos) << refused.error();
    EXPECT_EQ(fs::file_size(large), SettingsFile::kMaxBytes + 1);
    fs::create_directories(folder.Path() / "folder.ini");
    EXPECT_FALSE(SettingsFile::Update(folder.Path() / "folder.ini", setScale));
}

}  // namespace
}  // namespace stagehand::host
