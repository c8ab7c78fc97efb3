// A title whose disc is an image, and a title inside an image: names resolve case-blind into
// the image as into a folder, never out of it, and what lies in an image is only read.
#include "host/disc/DiscTitle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "host/files/TitlePaths.h"
#include "host/system/ProgramStart.h"
#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;

class DiscTitleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("xorriso -version >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "xorriso is not installed, so there are no disc images to read";
        }
        folder_.Write("title/roles.mii", "[Director]\n");
        folder_.Write("disc/Movies/Intro.smk", "intro");
        folder_.Write("disc/Caf\u00E9.txt", "caf\u00E9");
        folder_.Write("disc/Game/ROLES.MII", "[Director]\nApplicationWindowName=On Disc\n");
        folder_.Write("disc/Game/Art/Bg.BMP", "bm");
        fs::create_symlink("/etc/passwd", folder_.Path() / "disc/link");
        image_ = folder_.Path() / "disc.iso";
        const std::string command = "xorriso -as mkisofs -R -J -o '" + image_.string() + "' '" +
                                    (folder_.Path() / "disc").string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    ImageFolder Open(const std::string& given) {
        const std::optional<DiscImageName> name = AsDiscImageName(given);
        EXPECT_TRUE(name) << given;
        base::Result<ImageFolder> opened = OpenDiscImageFolder(name.value_or(DiscImageName{}));
        EXPECT_TRUE(opened) << opened.error();
        return opened ? std::move(*opened) : ImageFolder{};
    }
    std::string Read(const TitlePaths& paths, const std::string& name) {
        base::Result<fs::path> found = paths.Locate(name);
        if (!found) {
            return "(" + found.error() + ")";
        }
        FileBytes bytes = paths.Read(*found, 1000);
        return bytes.Read() ? bytes.bytes : "(" + bytes.reason + ")";
    }

    testing::TempFolder folder_;
    fs::path image_;
};

// The common install of the time: the program on the hard disk, the movies on D:.
TEST_F(DiscTitleTest, ADiscImageIsTheDiscDrive) {
    TitlePaths paths(folder_.Path() / "title");
    paths.SetDiscImage(Open(image_.string()));
    const std::string notFound = std::string("(") + TitlePaths::kNotFound + ")";
    const std::pair<std::string, std::string> cases[] = {
        {"roles.mii", "[Director]\n"},
        {"D:\\MOVIES\\INTRO.SMK", "intro"},
        {"d:/movies/intro.smk", "intro"},
        {"D:\\..\\..\\Movies\\Intro.smk", "intro"},
        {"D:\\CAF\xC9.TXT", "caf\u00E9"},
        {"D:\\game\\art\\bg.bmp", "bm"},
        {"D:\\link", notFound},                         // links on an image are not followed
        {"D:\\movies", "(No such file or directory)"},  // a folder is no file to read
        {"C:\\MOVIES\\INTRO.SMK", notFound},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_EQ(Read(paths, name), bytes) << name;
    }
    const std::optional<fs::path> intro = paths.FindFirst("D:\\movies\\*.SMK");
    ASSERT_TRUE(intro);
    EXPECT_EQ(paths.TitleFullName(*intro), "D:\\Movies\\Intro.smk");
    EXPECT_TRUE(paths.IsInImage(*intro));
    EXPECT_FALSE(paths.IsInImage(*paths.Resolve("roles.mii")));
    EXPECT_FALSE(fs::exists(*intro));  // a path that leads to nothing on the disk

    // Nothing in an image is started or handed to the opener.
    ProgramStarter starter(paths);
    starter.SetOpener("/bin/true");
    EXPECT_NE(starter.Open(intro->native()).error.find("lies in a disc image"), std::string::npos);
    EXPECT_NE(starter.Start("D:\\movies\\intro.smk").error.find("lies in a disc image"),
              std::string::npos);
}

// A folder of the image is a title as a folder on the disk is; what names none is refused.
TEST_F(DiscTitleTest, AFolderOfAnImageIsATitle) {
    TitlePaths paths(Open(image_.string() + ":/game"));
    EXPECT_EQ(Read(paths, "roles.mii"), "[Director]\nApplicationWindowName=On Disc\n");
    EXPECT_EQ(Read(paths, "C:\\ART\\BG.BMP"), "bm");
    EXPECT_EQ(Read(paths, "..\\Movies\\Intro.smk"), std::string("(") + TitlePaths::kNotFound + ")");
    EXPECT_EQ(paths.Root(), fs::canonical(image_) / "Game");
    // An image's folders never change: each is listed once for its case-blind names.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Read(paths, "c:\\art\\bg.bmp"), "bm");
    }
    EXPECT_EQ(paths.FolderScans(), 2u);  // Game and Art, for ART and art alike

    EXPECT_FALSE(AsDiscImageName((folder_.Path() / "title").string()));
    EXPECT_FALSE(AsDiscImageName((folder_.Path() / "missing.iso").string()));
    const std::optional<DiscImageName> named = AsDiscImageName(image_.string() + ":/a:/b");
    ASSERT_FALSE(named);  // the part before the last ":/" is no file
    const base::Result<ImageFolder> none =
        OpenDiscImageFolder(DiscImageName{image_, "/game/nothing"});
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error(), "the disc image " + image_.string() + " has no folder /game/nothing");
    const base::Result<ImageFolder> notImage =
        OpenDiscImageFolder(DiscImageName{folder_.Path() / "title/roles.mii", ""});
    ASSERT_FALSE(notImage);
    EXPECT_NE(notImage.error().find(": it is not a disc image: "), std::string::npos);
}

}  // namespace
}  // namespace stagehand::host
