#include "host/files/TitlePaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;

// The title lives in base_/title, so that base_ can hold what lies beside the title.
class TitlePathsTest : public ::testing::Test {
  protected:
    fs::path Touch(const fs::path& relative) { return base_.Write("title" / relative); }
    fs::path Folder(const fs::path& relative) { return base_.MakeFolder("title" / relative); }

    testing::TempFolder base_;
    const fs::path root_ = base_.MakeFolder("title");
};

TEST_F(TitlePathsTest, ResolvesWindowsNamesCaseBlind) {
    const fs::path intro = Touch("movies/Intro.smk");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.Resolve("movies\\INTRO.SMK"), intro);
    EXPECT_EQ(paths.Resolve("MOVIES/intro.smk"), intro);
    EXPECT_EQ(paths.Resolve(".\\Movies\\\\.\\Intro.smk"), intro);
    EXPECT_EQ(paths.Resolve("movies"), root_ / "movies");
    EXPECT_EQ(paths.Resolve("movies\\outro.smk"), std::nullopt);
    EXPECT_EQ(paths.Resolve("movies\\Intro.smk\\x"), std::nullopt);
    EXPECT_EQ(paths.Resolve(std::string("movies\\intro.smk\0junk", 21)), intro);
    EXPECT_EQ(paths.Resolve(""), std::nullopt);
}

TEST_F(TitlePathsTest, ExactNameWinsThenFirstInByteOrder) {
    Touch("readme.txt");
    Touch("README.TXT");
    Touch("ReadMe.Txt");
    Folder("Data");
    Touch("data/x.bin");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.Resolve("readme.txt"), root_ / "readme.txt");
    EXPECT_EQ(paths.Resolve("ReadMe.Txt"), root_ / "ReadMe.Txt");
    EXPECT_EQ(paths.Resolve("rEADME.TXT"), root_ / "README.TXT");
    EXPECT_EQ(paths.Resolve("DATA\\X.BIN"), std::nullopt);  // `Data` comes first, and is empty
    EXPECT_EQ(paths.Resolve("data\\X.BIN"), root_ / "data/x.bin");
}

TEST_F(TitlePathsTest, MatchesAccentedLettersAndRawHostNames) {
    const fs::path cafe = Touch("Caf\u00E9.ini");
    const fs::path raw = Touch("\xFF\xFE.bin");  // not UTF-8: compared as bytes
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.Resolve("CAF\xC9.INI"), cafe);
    EXPECT_EQ(paths.Resolve("caf\xE9.ini"), cafe);
    EXPECT_EQ(paths.Resolve("\xFF\xFE.bin"), raw);
    EXPECT_EQ(paths.Resolve("\x9F\xDE.BIN"), raw);
    EXPECT_EQ(paths.Resolve("CAFE.INI"), std::nullopt);
}

TEST_F(TitlePathsTest, DrivesAndLeadingSeparatorsMeanTheRoot) {
    const fs::path text = Touch("data/text.ini");
    const fs::path msg = Touch("msg.mii");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.Resolve("D:\\data\\text.ini"), text);
    EXPECT_EQ(paths.Resolve("c:data\\text.ini"), text);
    EXPECT_EQ(paths.Resolve("C:\\\\msg.mii"), msg);
    EXPECT_EQ(paths.Resolve("\\msg.mii"), msg);
    EXPECT_EQ(paths.Resolve("\\\\server\\msg.mii"), std::nullopt);
    EXPECT_EQ(paths.Resolve("C:\\"), root_);
    EXPECT_EQ(paths.Resolve("z:"), root_);
    EXPECT_EQ(paths.Resolve("."), root_);
    EXPECT_EQ(TitlePaths::CurrentDirectory(), "C:\\");
}

TEST_F(TitlePathsTest, NeverLeavesTheTitleFolder) {
    const fs::path msg = Touch("msg.mii");
    const fs::path passwd = Touch("etc/passwd");
    base_.Write("outside.txt");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.Resolve("C:\\..\\..\\msg.mii"), msg);
    EXPECT_EQ(paths.Resolve("data\\..\\..\\msg.mii"), msg);
    EXPECT_EQ(paths.Resolve(".."), root_);
    EXPECT_EQ(paths.Resolve("/etc/passwd"), passwd);
    EXPECT_EQ(paths.Resolve("..\\outside.txt"), std::nullopt);
    EXPECT_EQ(paths.Resolve("..\\title\\..\\outside.txt"), std::nullopt);
    EXPECT_EQ(paths.Resolve(root_.string() + "/msg.mii"), std::nullopt);
    EXPECT_EQ(paths.ResolveForWrite("..\\..\\evil.txt"), root_ / "evil.txt");
    EXPECT_EQ(paths.FindFirst("..\\*.*"), msg);
}

TEST_F(TitlePathsTest, DropsTrailingDotsAndBlanks) {
    const fs::path bg = Touch("art/bg.bmp");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.Resolve("art.\\bg.bmp."), bg);
    EXPECT_EQ(paths.Resolve("art \\bg.bmp . "), bg);
    EXPECT_EQ(paths.Resolve("art\\...\\bg.bmp"), bg);
}

TEST_F(TitlePathsTest, FollowsLinksInsideTheFolder) {
    const fs::path target = Touch("real/file.dat");
    fs::create_directory_symlink(root_ / "real", root_ / "link");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.Resolve("LINK\\FILE.DAT"), root_ / "link/file.dat");
    EXPECT_EQ(paths.FindFirst("link\\*.dat"), root_ / "link/file.dat");
    EXPECT_TRUE(fs::equivalent(*paths.Resolve("link\\file.dat"), target));
}

TEST_F(TitlePathsTest, WriteKeepsWrittenCaseOrUsesTheExistingEntry) {
    const fs::path text = Touch("data/Text.ini");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.ResolveForWrite("DATA\\NewFile.TXT"), root_ / "data/NewFile.TXT");
    EXPECT_EQ(paths.ResolveForWrite("C:\\data\\TEXT.INI"), text);
    EXPECT_EQ(paths.ResolveForWrite("save.dat."), root_ / "save.dat");
    EXPECT_EQ(paths.ResolveForWrite("caf\xE9.sav"), root_ / "caf\u00E9.sav");
    EXPECT_EQ(paths.ResolveForWrite("C:save"), root_ / "save");
    EXPECT_EQ(paths.ResolveForWrite("missing\\x.txt"), std::nullopt);
    EXPECT_EQ(paths.ResolveForWrite("data\\Text.ini\\x.txt"), std::nullopt);
}

TEST_F(TitlePathsTest, WriteRefusesNamesTheDesktopForbids) {
    Folder("data");
    const TitlePaths paths(root_);
    for (const std::string name : {"", "C:\\", "data\\", "data\\.", "data\\..", "...", "data\\ . ",
                                   "a<b", "a>b", "data\\a:b", "a\"b", "a|b", "a?b", "a*b",
                                   "a\x01"
                                   "b",
                                   "tab\there"}) {
        EXPECT_EQ(paths.ResolveForWrite(name), std::nullopt) << name;
    }
}

TEST_F(TitlePathsTest, FindFirstMatchesWildcardsCaseBlindInByteOrder) {
    Touch("b.smk");
    Touch("A.SMK");
    Touch("a2.smk");
    Touch("c.txt");
    Touch("noext");
    Folder("0.smk");  // a folder never matches
    Touch("only/noext");
    Folder("dirs/x.smk");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.FindFirst("*.smk"), root_ / "A.SMK");
    EXPECT_EQ(paths.FindFirst("C:\\*.SMK"), root_ / "A.SMK");
    EXPECT_EQ(paths.FindFirst("?.smk"), root_ / "A.SMK");
    EXPECT_EQ(paths.FindFirst("a?.SMK"), root_ / "a2.smk");
    EXPECT_EQ(paths.FindFirst("B*"), root_ / "b.smk");
    EXPECT_EQ(paths.FindFirst("*.*"), root_ / "A.SMK");
    EXPECT_EQ(paths.FindFirst("*t"), root_ / "c.txt");
    EXPECT_EQ(paths.FindFirst("only\\*.*"), root_ / "only/noext");
    EXPECT_EQ(paths.FindFirst("ONLY\\*"), root_ / "only/noext");
    EXPECT_EQ(paths.FindFirst("*."), root_ / "noext");
    EXPECT_EQ(paths.FindFirst("noext.*"), root_ / "noext");
    EXPECT_EQ(paths.FindFirst("dirs\\*.*"), std::nullopt);
    EXPECT_EQ(paths.FindFirst("*.wav"), std::nullopt);
    EXPECT_EQ(paths.FindFirst("nothere\\*.*"), std::nullopt);
    // Without wildcards: a plain lookup, of files only.
    EXPECT_EQ(paths.FindFirst("B.SMK"), root_ / "b.smk");
    EXPECT_EQ(paths.FindFirst("0.smk"), std::nullopt);
    EXPECT_EQ(paths.FindFirst("C:\\"), std::nullopt);
}

TEST_F(TitlePathsTest, FullNamesRoundTrip) {
    const fs::path text = Touch("data/Text.ini");
    const fs::path cafe = Touch("Caf\u00E9/\xFF.bin");
    const TitlePaths paths(root_);
    EXPECT_EQ(paths.TitleFullName(text), "C:\\data\\Text.ini");
    EXPECT_EQ(paths.TitleFullName(root_), "C:\\");
    EXPECT_EQ(paths.TitleFullName(root_ / "data" / ".." / "data" / "Text.ini"),
              "C:\\data\\Text.ini");
    EXPECT_EQ(paths.TitleFullName(cafe), "C:\\Caf\xE9\\\xFF.bin");
    EXPECT_EQ(paths.TitleFullName(root_.parent_path() / "other"), "");
    for (const fs::path& p : {text, cafe, root_ / "data"}) {
        EXPECT_EQ(paths.Resolve(paths.TitleFullName(p)), p);
    }
}

TEST_F(TitlePathsTest, RootIsMadeAbsoluteAndNormal) {
    Touch("msg.mii");
    const TitlePaths paths(root_ / "sub" / ".." / "");
    EXPECT_EQ(paths.Root(), root_);
    EXPECT_EQ(paths.Resolve("msg.mii"), root_ / "msg.mii");
    const TitlePaths missing(root_ / "absent");
    EXPECT_EQ(missing.Resolve("C:\\"), std::nullopt);
    EXPECT_EQ(missing.ResolveForWrite("x.txt"), std::nullopt);
}

}  // namespace
}  // namespace stagehand::host
