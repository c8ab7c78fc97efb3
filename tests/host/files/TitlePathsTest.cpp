#include "host/files/TitlePaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;
using namespace std::string_literals;

// A name and where it should lead, relative to the title folder ("" for the folder itself,
// nullptr for nowhere).
struct Case {
    std::string name;
    const char* expected;
};

// The title lives in base_/title, so that base_ can hold what lies beside the title.
class TitlePathsTest : public ::testing::Test {
  protected:
    fs::path Touch(const fs::path& relative) { return base_.Write("title" / relative); }
    fs::path Folder(const fs::path& relative) { return base_.MakeFolder("title" / relative); }
    std::optional<fs::path> At(const char* relative) const {
        return relative == nullptr ? std::nullopt
                                   : std::optional(*relative ? root_ / relative : root_);
    }

    testing::TempFolder base_;
    const fs::path root_ = base_.MakeFolder("title");
};

// Windows names, case-blind in 1252 (other host names compared as bytes), with drives and
// dots, never leading out of the title folder, following links inside it. Among names equal
// but for case, the exact one wins, then the first in byte order (`Data` before `data`).
TEST_F(TitlePathsTest, ResolvesWindowsNamesInsideTheTitleFolder) {
    for (const char* file : {"movies/Intro.smk", "readme.txt", "README.TXT", "ReadMe.Txt",
                             "data/x.bin", "data/text.ini", "msg.mii", "etc/passwd", "art/bg.bmp",
                             "Caf\u00E9.ini", "\xFF\xFE.bin", "real/file.dat"}) {
        Touch(file);
    }
    Folder("Data");
    base_.Write("outside.txt");
    fs::create_directory_symlink(root_ / "real", root_ / "link");
    const TitlePaths paths(root_);
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"movies/Intro.smk",
         {"movies\\INTRO.SMK", "MOVIES/intro.smk", ".\\Movies\\\\.\\Intro.smk",
          "movies\\intro.smk\0junk"s}},
        {"movies", {"movies"}},
        {"readme.txt", {"readme.txt"}},
        {"ReadMe.Txt", {"ReadMe.Txt"}},
        {"README.TXT", {"rEADME.TXT"}},
        {"data/x.bin", {"data\\X.BIN"}},
        {"Caf\u00E9.ini", {"CAF\xC9.INI", "caf\xE9.ini"}},
        {"\xFF\xFE.bin", {"\xFF\xFE.bin", "\x9F\xDE.BIN"}},
        {"data/text.ini", {"D:\\data\\text.ini", "c:data\\text.ini"}},
        {"msg.mii", {"C:\\\\msg.mii", "\\msg.mii", "C:\\..\\..\\msg.mii", "data\\..\\..\\msg.mii"}},
        {"", {"C:\\", "z:", ".", ".."}},
        {"etc/passwd", {"/etc/passwd"}},
        {"art/bg.bmp", {"art.\\bg.bmp.", "art \\bg.bmp . ", "art\\...\\bg.bmp"}},
        {"real/file.dat", {"LINK\\FILE.DAT"}},
        {nullptr,
         {"movies\\outro.smk", "movies\\Intro.smk\\x", "", "DATA\\X.BIN", "CAFE.INI",
          "\\\\server\\msg.mii", "..\\outside.txt", "..\\title\\..\\outside.txt",
          root_.string() + "/msg.mii"}}};
    for (const auto& [expected, names] : cases) {
        for (const std::string& name : names) {
            EXPECT_EQ(paths.Resolve(name), At(expected)) << name;
        }
    }
    EXPECT_TRUE(fs::equivalent(*paths.Resolve("link\\file.dat"), root_ / "real/file.dat"));
    EXPECT_EQ(paths.FindFirst("link\\*.dat"), root_ / "real/file.dat");
    EXPECT_EQ(TitlePaths::CurrentDirectory(), "C:\\");
}

// Links are followed only where they stay inside the title or the disc folder, whatever
// spelling leads there, with openat2 and with the step-by-step walk of older kernels. A
// path handed out never leads through a link again: a link swapped in after the lookup is
// refused when the file is opened, not followed.
class TitlePathsLinkTest : public TitlePathsTest, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override { FolderRoots::UseOpenat2ForTests(GetParam()); }
    void TearDown() override { FolderRoots::UseOpenat2ForTests(true); }
};

TEST_P(TitlePathsLinkTest, FollowsOnlyLinksThatStayInside) {
    Touch("real/file.dat");
    Touch("notes.txt");
    const fs::path onDisc = base_.Write("disc/movies/intro.smk", "movie");
    const fs::path secret = base_.Write("outside.txt", "secret");
    const auto link = [&](const fs::path& target, const char* name) {
        fs::create_symlink(target, root_ / name);
    };
    link("/bin/sh", "sh");
    link("../outside.txt", "up.txt");
    link(secret, "abs.txt");
    link(root_ / "real", "absreal");
    link("real/../real/file.dat", "rel.dat");
    link(base_.Path() / "disc/movies", "movies");
    link("loop1", "loop2");
    link("loop2", "loop1");
    TitlePaths paths(root_);
    paths.SetDiscFolder(base_.Path() / "disc");
    const Case cases[] = {{"absreal\\FILE.DAT", "real/file.dat"},
                          {"REL.DAT", "real/file.dat"},
                          {"sh", nullptr},
                          {"up.txt", nullptr},
                          {"abs.txt", nullptr},
                          {"loop1", nullptr}};
    for (const Case& c : cases) {
        EXPECT_EQ(paths.Resolve(c.name), At(c.expected)) << c.name;
    }
    // Into the disc folder: allowed, and the path handed out is the real one.
    EXPECT_EQ(paths.Resolve("movies\\INTRO.SMK"), onDisc);
    EXPECT_EQ(paths.Read(onDisc, 100).bytes, "movie");
    const base::Result<fs::path> shell = paths.Locate("SH");
    ASSERT_FALSE(shell);
    EXPECT_EQ(shell.error(), "the link sh leads outside the title's folders, to /bin/sh");
    EXPECT_EQ(paths.Locate("missing.txt").error(), TitlePaths::kNotFound);
    EXPECT_EQ(paths.Locate("loop1").error(), "Too many levels of symbolic links");
    // Only what the resolver hands out opens: a path through a link, or one outside, does not.
    EXPECT_FALSE(paths.Open(root_ / "up.txt").IsOpen());
    EXPECT_FALSE(paths.Open(secret).IsOpen());
    EXPECT_FALSE(paths.Open(root_ / "absreal" / "file.dat").IsOpen());

    // The race: the name checked, then swapped for a link out before the open.
    const std::optional<fs::path> notes = paths.Resolve("notes.txt");
    ASSERT_EQ(notes, root_ / "notes.txt");
    fs::remove(*notes);
    fs::create_symlink(secret, *notes);
    const InputFile swapped = paths.Open(*notes);
    EXPECT_FALSE(swapped.IsOpen());
    EXPECT_EQ(paths.Read(*notes, 100).bytes, "");
    // And a folder on the way swapped for a link out.
    const std::optional<fs::path> file = paths.Resolve("real\\file.dat");
    ASSERT_TRUE(file);
    fs::rename(root_ / "real", root_ / "moved");
    fs::create_directory_symlink(base_.Path(), root_ / "real");
    base_.Write("file.dat", "outside");
    EXPECT_FALSE(paths.Open(*file).IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Openat2AndWalk, TitlePathsLinkTest, ::testing::Bool());

// Files only, the first in byte order; without wildcards a plain lookup.
// Names in another case are found through an index of each folder's names, made once and
// made again when the folder changes, never by listing the folder at every look.
TEST_F(TitlePathsTest, CaseBlindLooksListAFolderOnlyWhenItChanged) {
    for (int i = 0; i < 300; ++i) {
        Touch("data/f" + std::to_string(i) + ".ini");
    }
    const TitlePaths paths(root_);
    for (int i = 0; i < 300; ++i) {
        const std::string name = "DATA\\F" + std::to_string(i) + ".INI";
        EXPECT_EQ(paths.Resolve(name), root_ / ("data/f" + std::to_string(i) + ".ini")) << name;
    }
    EXPECT_EQ(paths.FolderScans(), 2u);  // the title folder (for DATA) and data
    // Wildcard searches use the same index.
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(paths.FindFirst("data\\F29?.*"), root_ / "data/f290.ini");
    }
    EXPECT_EQ(paths.FolderScans(), 2u);
    EXPECT_EQ(paths.Resolve("data\\NEW.INI"), std::nullopt);
    // A file made, or one renamed, changes the folder: the next look sees it.
    Touch("data/new.ini");
    EXPECT_EQ(paths.Resolve("data\\NEW.INI"), root_ / "data/new.ini");
    fs::rename(root_ / "data/new.ini", root_ / "data/New.ini");
    EXPECT_EQ(paths.Resolve("data\\NEW.INI"), root_ / "data/New.ini");
    EXPECT_EQ(paths.FolderScans(), 4u);
    // More folders than the index keeps: the oldest is listed again when next needed.
    for (size_t i = 0; i <= TitlePaths::kMaxIndexedFolders; ++i) {
        Touch("many" + std::to_string(i) + "/a.txt");
        EXPECT_TRUE(paths.Resolve("many" + std::to_string(i) + "\\A.TXT"));
    }
    const size_t scans = paths.FolderScans();
    EXPECT_TRUE(paths.Resolve("data\\F1.INI"));
    EXPECT_EQ(paths.FolderScans(), scans + 1);
}

TEST_F(TitlePathsTest, FindFirstMatchesWildcardsCaseBlindInByteOrder) {
    for (const char* file : {"b.smk", "A.SMK", "a2.smk", "c.txt", "noext", "only/noext"}) {
        Touch(file);
    }
    Folder("0.smk");
    Folder("dirs/x.smk");
    const TitlePaths paths(root_);
    const Case cases[] = {
        {"*.smk", "A.SMK"},        {"C:\\*.SMK", "A.SMK"}, {"?.smk", "A.SMK"},
        {"a?.SMK", "a2.smk"},      {"B*", "b.smk"},        {"*.*", "A.SMK"},
        {"..\\*.*", "A.SMK"},      {"*t", "c.txt"},        {"only\\*.*", "only/noext"},
        {"ONLY\\*", "only/noext"}, {"*.", "noext"},        {"noext.*", "noext"},
        {"dirs\\*.*", nullptr},    {"*.wav", nullptr},     {"nothere\\*.*", nullptr},
        {"B.SMK", "b.smk"},        {"0.smk", nullptr},     {"C:\\", nullptr}};
    for (const Case& c : cases) {
        EXPECT_EQ(paths.FindFirst(c.name), At(c.expected)) << c.name;
    }
}

TEST_F(TitlePathsTest, FullNamesRoundTrip) {
    const fs::path text = Touch("data/Text.ini");
    const fs::path cafe = Touch("Caf\u00E9/\xFF.bin");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.TitleFullName(text), "C:\\data\\Text.ini");
    EXPECT_EQ(paths.TitleFullName(root_), "C:\\");
    EXPECT_EQ(paths.TitleFullName(root_ / "data/../data/Text.ini"), "C:\\data\\Text.ini");
    EXPECT_EQ(paths.TitleFullName(cafe), "C:\\Caf\xE9\\\xFF.bin");
    EXPECT_EQ(paths.TitleFullName(root_.parent_path() / "other"), "");
    for (const fs::path& p : {text, cafe, root_ / "data"}) {
        EXPECT_EQ(paths.Resolve(paths.TitleFullName(p)), p);
    }
}

// The disc drive leads into the disc folder, never out of it; other drives and names
// without a drive stay in the title folder. Full names say which drive a file is on.
TEST_F(TitlePathsTest, TheDiscDriveLeadsIntoTheDiscFolder) {
    const fs::path onDisc = base_.Write("disc/Data/x.ini");
    const fs::path inTitle = Touch("data/x.ini");
    Touch("msg.mii");
    TitlePaths paths(root_);
    EXPECT_EQ(paths.Resolve("D:\\data\\x.ini"), inTitle);
    paths.SetDiscFolder(base_.Path() / "disc" / "");
    const std::pair<std::optional<fs::path>, std::vector<const char*>> cases[] = {
        {onDisc, {"D:\\DATA\\X.INI", "d:data/x.ini", "D:\\..\\Data\\x.ini"}},
        {inTitle, {"C:\\data\\x.ini", "e:\\data\\x.ini", "data\\x.ini", "\\data\\x.ini"}},
        {base_.Path() / "disc", {"D:\\", "d:"}},
        {std::nullopt, {"D:\\..\\title\\data\\x.ini", "D:\\msg.mii"}},
    };
    for (const auto& [expected, names] : cases) {
        for (const char* name : names) {
            EXPECT_EQ(paths.Resolve(name), expected) << name;
        }
    }
    EXPECT_EQ(paths.FindFirst("D:\\data\\*.INI"), onDisc);
    EXPECT_EQ(paths.TitleFullName(onDisc), "D:\\Data\\x.ini");
    EXPECT_EQ(paths.TitleFullName(inTitle), "C:\\data\\x.ini");
    EXPECT_EQ(paths.TitleFullName(base_.Path() / "elsewhere"), "");
}

TEST_F(TitlePathsTest, RootIsMadeAbsoluteAndNormal) {
    Touch("msg.mii");
    const TitlePaths paths(root_ / "sub" / ".." / "");
    EXPECT_EQ(paths.Root(), root_);
    EXPECT_EQ(paths.Resolve("msg.mii"), root_ / "msg.mii");
    const TitlePaths missing(root_ / "absent");
    EXPECT_EQ(missing.Resolve("C:\\"), std::nullopt);
}

}  // namespace
}  // namespace stagehand::host
