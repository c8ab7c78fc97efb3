// The library's pieces: the list of titles played recently (reading damaged, duplicated and
// overlong files, remembering, writing), the text its buttons and labels may show, and the
// pictures it keeps and writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/LibraryTitle.h"
#include "app/RecentTitles.h"
#include "app/TitlePicture.h"
#include "host/files/File.h"
#include "host/gfx/BmpDecoder.h"
#include "host/gfx/BmpWriter.h"
#include "host/gfx/Color.h"

namespace stagehand {
namespace {

std::string Entry(int section, const std::string& location, const std::string& played,
                  const std::string& name = "") {
    return "[Title" + std::to_string(section) + "]\nLocation=" + location +
           (name.empty() ? "" : "\nName=" + name) + "\nPlayed=" + played + "\n";
}

std::vector<std::string> Locations(const RecentTitles& recent) {
    std::vector<std::string> out;
    for (const RecentTitle& title : recent.Titles()) {
        out.push_back(title.location);
    }
    return out;
}

// Reading: most recent first whatever the file's order, one entry a location (its latest),
// at most 20; entries without an absolute location or a played time are passed over with one
// line for the file; bytes that are no profile at all give an empty list.
TEST(RecentTitles, ReadsWhatItCanOfAnyFile) {
    std::string many;
    for (int i = 0; i < 30; ++i) {
        many += Entry(i, "/t/" + std::to_string(i), std::to_string(i));
    }
    struct Case {
        std::string file;
        std::vector<std::string> locations;
        bool faulted;
    };
    const Case cases[] = {
        {Entry(1, "/a", "10") + Entry(2, "/b", "30") + Entry(3, "/c", "20"),
         {"/b", "/c", "/a"},
         false},
        {Entry(1, "/a", "10") + Entry(2, "/a", "50") + Entry(3, "/b", "20"), {"/a", "/b"}, false},
        {Entry(1, "relative/a", "10") + Entry(2, "/b", "x") + Entry(3, "/c", "-4") +
             Entry(4, "/d", "") + "[Title5]\nName=No place\n" + Entry(6, "/e", "7"),
         {"/e"},
         true},
        {"\x00\xff garbage\n=\n[[[\n", {}, false},
        {"", {}, false},
        {many,
         {"/t/29", "/t/28", "/t/27", "/t/26", "/t/25", "/t/24", "/t/23", "/t/22", "/t/21", "/t/20",
          "/t/19", "/t/18", "/t/17", "/t/16", "/t/15", "/t/14", "/t/13", "/t/12", "/t/11", "/t/10"},
         false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> faults;
        const RecentTitles recent =
            RecentTitles::Parse(c.file, [&faults](const std::string& f) { faults.push_back(f); });
        EXPECT_EQ(Locations(recent), c.locations) << c.file;
        EXPECT_EQ(faults.size(), c.faulted ? 1U : 0U) << c.file;
    }
}

// Names: the file's, else the folder's or image's last part.
TEST(RecentTitles, NamesTitlesWithoutAWindowNameAfterTheirFolder) {
    const RecentTitles recent = RecentTitles::Parse(
        Entry(1, "/x/Ocean Quest", "3", "Ocean") + Entry(2, "/x/Game/", "2") +
            Entry(3, "/discs/ocean.iso:/GAME", "1") + Entry(4, "/discs/ocean.iso", "0"),
        {});
    std::vector<std::string> names;
    for (const RecentTitle& title : recent.Titles()) {
        names.push_back(title.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Ocean", "Game", "GAME", "ocean.iso"}));
}

// Remembering puts the title first, once, drops the oldest past 20 and refuses what the file
// cannot hold; what is written reads back the same.
TEST(RecentTitles, RemembersOnceMostRecentFirstAndReadsBackWhatItWrites) {
    RecentTitles recent;
    for (int i = 0; i < 25; ++i) {
        ASSERT_TRUE(recent.Remember({"/t/" + std::to_string(i), "T", i}));
    }
    ASSERT_TRUE(recent.Remember({"/t/22", "Again", 100}));
    EXPECT_FALSE(recent.Remember({"/t/new\nline", "T", 101}));
    EXPECT_FALSE(recent.Remember({"relative", "T", 101}));
    EXPECT_TRUE(recent.Remember({"/t/odd name", "Two\nlines", 102}));
    ASSERT_EQ(recent.Titles().size(), RecentTitles::kMaxTitles);
    EXPECT_EQ(recent.Titles()[0].name, "odd name");
    EXPECT_EQ(recent.Titles()[1].location, "/t/22");
    EXPECT_EQ(recent.Titles()[2].location, "/t/24");
    EXPECT_EQ(recent.Titles().back().location, "/t/6");

    const RecentTitles again = RecentTitles::Parse(recent.Format(), {});
    ASSERT_EQ(again.Titles().size(), recent.Titles().size());
    for (size_t i = 0; i < again.Titles().size(); ++i) {
        EXPECT_EQ(again.Titles()[i].location, recent.Titles()[i].location);
        EXPECT_EQ(again.Titles()[i].name, recent.Titles()[i].name);
        EXPECT_EQ(again.Titles()[i].played, recent.Titles()[i].played);
    }
}

// The library shows names and folders as text only: nothing in them can become a tag, a line
// break or a message; long ones keep their end.
TEST(LibraryTitle, ShowsListTextAsPlainText) {
    const struct {
        std::string given;
        std::string shown;
    } cases[] = {
        {"Sea [S.Value]", "Sea (S.Value)"},
        {"a\tb\x7f"
         "c",
         "a?b?c"},
        {"C:\\games\\new", "C:/games/new"},
        {"caf\xc3\xa9", "caf\xe9"},
        {"/a/very/long/folder/name", ".../folder/name"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LibraryTitle::ShownText(c.given, 15), c.shown) << c.given;
    }
}

// A picture written reads back pixel for pixel; shrinking keeps the frame's shape and averages
// what each pixel covers.
TEST(TitlePicture, WritesBmpsTheReaderTakesAndShrinksToFit) {
    host::Surface frame(640, 480, host::Rgb(0, 0, 0));
    frame.Fill({0, 0, 320, 480}, host::Rgb(200, 100, 50));
    frame.SetPixel(639, 479, host::Rgb(1, 2, 3));
    const host::Surface small = TitlePicture::Shrink(frame, TitlePicture::kSize);
    ASSERT_EQ(small.Dimensions(), (host::Size{160, 120}));
    EXPECT_EQ(small.PixelAt(0, 0), host::Rgb(200, 100, 50));
    EXPECT_EQ(small.PixelAt(159, 0), host::Rgb(0, 0, 0));
    EXPECT_EQ(TitlePicture::Shrink(host::Surface(800, 200), {160, 120}).Dimensions(),
              (host::Size{160, 40}));
    EXPECT_EQ(TitlePicture::Shrink(host::Surface(3, 5), {160, 120}).Dimensions(),
              (host::Size{3, 5}));
    EXPECT_TRUE(TitlePicture::Shrink(host::Surface(), {160, 120}).IsEmpty());

    for (const host::Size size : {host::Size{1, 1}, host::Size{3, 2}, host::Size{161, 7}}) {
        host::Surface picture(size.width, size.height);
        for (int32_t y = 0; y < size.height; ++y) {
            for (int32_t x = 0; x < size.width; ++x) {
                picture.SetPixel(x, y,
                                 host::Rgb(static_cast<uint8_t>(x), static_cast<uint8_t>(y),
                                           static_cast<uint8_t>(x + y)));
            }
        }
        const std::string bytes = host::EncodeBmp(picture);
        const base::Result<host::Surface> read = host::DecodeBmp(host::AsBytes(bytes));
        ASSERT_TRUE(read) << read.error();
        EXPECT_EQ(read->Pixels(), picture.Pixels()) << size.width << "x" << size.height;
    }
}

}  // namespace
}  // namespace stagehand
