// A title's saves: every spelling of one file is one save, nothing leaves the folder, the
// script files are never written, and the folder is the user's own.
#include "host/files/SaveFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;

TEST(SaveFolderTest, FoldsEveryNameToOneFileInTheFolder) {
    const std::pair<const char*, const char*> named[] = {{"save.dat", "save.dat"},
                                                         {"C:\\GAME\\SAVE.DAT", "save.dat"},
                                                         {".\\Save.Dat", "save.dat"},
                                                         {"..\\..\\save.dat. ", "save.dat"},
                                                         {"d:/x/../Save.dat", "save.dat"},
                                                         {"CAF\xC9.SAV", "caf\u00E9.sav"},
                                                         {"C:slot1", "slot1"}};
    for (const auto& [name, expected] : named) {
        const base::Result<std::string> folded = SaveFolder::SaveName(name);
        ASSERT_TRUE(folded) << name;
        EXPECT_EQ(*folded, expected) << name;
    }
    const std::pair<const char*, const char*> refused[] = {
        {"ROLES.MII", "the title's script files are never written"},
        {"C:\\game\\.\\Msg.Mii", "the title's script files are never written"},
        {"roles.mii.", "the title's script files are never written"},
        {"", "the name names no file"},
        {"data\\", "the name names no file"},
        {"...", "the name names no file"},
        {"a<b", "the name holds characters a file name may not hold"},
        {"a?b", "the name holds characters a file name may not hold"},
        {"tab\there", "the name holds characters a file name may not hold"}};
    for (const auto& [name, why] : refused) {
        EXPECT_EQ(testing::ErrorOf(SaveFolder::SaveName(name)), why) << name;
    }
}

TEST(SaveFolderTest, WritesWholeIntoAFolderOfTheUsersOwn) {
    testing::TempFolder base;
    int asked = 0;
    const fs::path where = base.Path() / "data" / "stagehand" / "saves" / "t-1";
    const SaveFolder saves([&] {
        ++asked;
        return where;
    });
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(saves.Open("save.dat").Fault(), FileFault::kMissing);
    EXPECT_FALSE(fs::exists(where));
    ASSERT_TRUE(saves.Write("C:\\GAME\\SAVE.DAT", "first"));
    ASSERT_TRUE(saves.Write("save.dat", "second"));
    EXPECT_EQ(ReadFile(saves.Open("Save.Dat"), 100).bytes, "second");
    EXPECT_EQ(asked, 1);
    for (const fs::path& made : {where, where.parent_path(), where.parent_path().parent_path()}) {
        struct stat info {};
        ASSERT_EQ(::stat(made.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << made;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(where), fs::directory_iterator()), 1);
    EXPECT_FALSE(saves.Write("msg.mii", "x"));
    // The same bytes again leave the file as it was (no new file); other bytes replace it.
    struct stat before {};
    ASSERT_EQ(::stat((where / "save.dat").c_str(), &before), 0);
    ASSERT_TRUE(saves.Write("SAVE.DAT", "second"));
    struct stat after {};
    ASSERT_EQ(::stat((where / "save.dat").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    ASSERT_TRUE(saves.Write("SAVE.DAT", "secon"));
    EXPECT_EQ(ReadFile(saves.Open("save.dat"), 100).bytes, "secon");

    // A title saving under ever new names, or ever more, stops at the bounds; replacing a
    // save it has is always possible.
    const SaveFolder small([&] { return base.Path() / "small"; }, {3, 100});
    for (const char* name : {"a", "b", "c"}) {
        ASSERT_TRUE(small.Write(name, "x")) << name;
    }
    EXPECT_EQ(testing::ErrorOf(small.Write("d", "x")),
              "the title already keeps 3 saves, the most it may");
    EXPECT_TRUE(small.Write("A", std::string(98, 'y')));
    EXPECT_EQ(testing::ErrorOf(small.Write("b", "yy")),
              "the title's saves would take more than 100 bytes");

    const SaveFolder none([] { return fs::path(); });
    EXPECT_EQ(testing::ErrorOf(none.Write("x.dat", "x")), "there is no save folder");
}

// One title, one key, wherever it lies; two titles with one window name differ by their
// roles. The key is a plain folder name whatever the window name holds.
TEST(SaveFolderTest, TitleKeysAreStableAndPlain) {
    const std::string key = SaveFolder::TitleKey("My Title", "[Director]\n");
    EXPECT_EQ(key, SaveFolder::TitleKey("My Title", "[Director]\n"));
    EXPECT_NE(key, SaveFolder::TitleKey("My Title", "[Director]\nX=1\n"));
    EXPECT_EQ(key.substr(0, 9), "My Title-");
    EXPECT_EQ(key.size(), 9u + 12u);
    EXPECT_EQ(SaveFolder::TitleKey("../../x/\xE9*", "").substr(0, 8), "_.._x___");
    EXPECT_EQ(SaveFolder::TitleKey("", "").substr(0, 6), "title-");
    EXPECT_EQ(SaveFolder::TitleKey(std::string(200, 'a'), "").size(), 48u + 13u);

    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string old = saved != nullptr ? saved : "";
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(SaveFolder::DefaultFolder("k"), fs::path("/data/home/stagehand/saves/k"));
    ::setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(SaveFolder::DefaultFolder("k").filename(), "k");
    EXPECT_NE(SaveFolder::DefaultFolder("k").string().find(".local/share/stagehand"),
              std::string::npos);
    if (saved != nullptr) {
        ::setenv("XDG_DATA_HOME", old.c_str(), 1);
    } else {
        ::unsetenv("XDG_DATA_HOME");
    }
}

}  // namespace
}  // namespace stagehand::host
