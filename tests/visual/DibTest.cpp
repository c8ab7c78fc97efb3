// The image class: loading title files by their Windows names, the trace when it cannot, and
// drawing an image, or a rectangle of it, onto a canvas.
#include "visual/Dib.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "host/files/TitlePaths.h"
#include "host/gfx/BmpTestImages.h"
#include "support/TempFolder.h"
#include "trace/Trace.h"

namespace stagehand::testing {
namespace {

class DibTest : public ::testing::Test {
  protected:
    // Writes `image` as a BMP at `relative` in the title folder.
    void Save(const BmpImage& image, const std::filesystem::path& relative) {
        folder.MakeFolder(relative.parent_path());
        ASSERT_TRUE(SaveBmp(image, folder.Path() / relative));
    }

    TempFolder folder;
    host::TitlePaths paths{folder.Path()};
    CPictureCache cache;
    CDib dib;
    std::vector<std::string> faults;
    trace::ScopedSink sink{[this](trace::Entry entry, std::string_view text) {
        if (entry == trace::Entry::kFault) {
            faults.emplace_back(text);
        }
    }};
};

// Title names are Windows names in any case; without title paths the name is a host path.
// A new load replaces the image and Free empties it.
TEST_F(DibTest, LoadsTitleFilesOrHostPathsAndReplacesWhatWasLoaded) {
    const BmpImage first = TestImage(5, 4, 24);
    const BmpImage second = TestImage(3, 3, 8, 9);
    Save(first, "art/bg.bmp");
    Save(second, "x.bmp");
    EXPECT_TRUE(dib.Load(cache, &paths, "ART\\BG.BMP"));
    EXPECT_TRUE(dib.IsLoaded());
    EXPECT_TRUE(Shows(dib.Image(), first));
    EXPECT_TRUE(dib.Load(cache, nullptr, (folder.Path() / "x.bmp").string()));
    EXPECT_TRUE(Shows(dib.Image(), second));
    EXPECT_TRUE(dib.Load(cache, &paths, "C:\\Art\\Bg.bmp"));
    EXPECT_TRUE(Shows(dib.Image(), first));
    EXPECT_TRUE(faults.empty());
    // A picture at the start of a long sparse file loads from the bytes it declares.
    std::filesystem::resize_file(folder.Path() / "x.bmp", 255ull << 20);
    EXPECT_TRUE(dib.Load(cache, &paths, "x.bmp"));
    EXPECT_TRUE(Shows(dib.Image(), second));
    EXPECT_TRUE(faults.empty());
    dib.Free();
    EXPECT_FALSE(dib.IsLoaded());
    EXPECT_EQ(dib.Image().Dimensions(), (host::Size{0, 0}));
}

// Every image of one file shares one decoded copy, whatever spelling names it, until the file
// changes; the pixels held at once are bounded, and a picture past the bound is refused.
TEST_F(DibTest, ImagesOfOneFileShareOnePictureAndTheHeldPixelsAreBounded) {
    Save(TestImage(10, 10, 24), "a.bmp");
    Save(TestImage(10, 10, 8, 3), "b.bmp");
    Save(TestImage(10, 10, 8, 5), "c.bmp");
    CPictureCache small(1000);  // two 10 x 10 pictures of 400 bytes, not three
    CDib first, second, third;
    ASSERT_TRUE(first.Load(small, &paths, "A.BMP"));
    ASSERT_TRUE(second.Load(small, &paths, "D:\\a.bmp"));
    EXPECT_EQ(&first.Image(), &second.Image());
    EXPECT_EQ(small.HeldBytes(), 400u);
    ASSERT_TRUE(third.Load(small, &paths, "b.bmp"));
    EXPECT_EQ(small.HeldBytes(), 800u);
    EXPECT_FALSE(dib.Load(small, &paths, "c.bmp"));
    EXPECT_EQ(faults.back(),
              "Image c.bmp was not loaded: its 400 bytes of pixels would take the pictures held "
              "at once past 0 MiB.");
    third.Free();
    EXPECT_TRUE(dib.Load(small, &paths, "c.bmp"));  // room again
    dib.Free();
    // A changed file is decoded anew; the images that hold the old picture keep it.
    Save(TestImage(10, 10, 8, 9), "a.bmp");
    ASSERT_TRUE(third.Load(small, &paths, "a.bmp"));
    EXPECT_NE(&third.Image(), &first.Image());
    EXPECT_TRUE(Shows(third.Image(), TestImage(10, 10, 8, 9)));
}

// A file that cannot be shown empties the image (even one loaded before) and says why in the
// trace, naming the file as the title wrote it. A file too large to read is refused unread.
TEST_F(DibTest, TracesWhyAFileWasNotLoadedAndIsLeftEmpty) {
    Save(TestImage(2, 2, 24), "art/bg.bmp");
    folder.Write("notes.bmp", "Dear diary");
    folder.MakeFolder("folder.bmp");
    // A sparse file: no disk space is taken.
    std::filesystem::resize_file(folder.Write("huge.bmp", "BM"), 257ull * 1024 * 1024);
    const std::string gone = (folder.Path() / "gone.bmp").string();
    // A named pipe, and a link to one, are refused at once instead of waiting for a writer.
    ASSERT_EQ(mkfifo((folder.Path() / "pipe.bmp").c_str(), 0600), 0);
    std::filesystem::create_symlink(folder.Path() / "pipe.bmp", folder.Path() / "link.bmp");
    struct Case {
        const host::TitlePaths* paths;
        std::string name;
        std::string reason;  // ending in ": ", the host's words follow
    };
    for (const Case& c : {
             Case{&paths, "ART\\NONE.BMP", "the file was not found."},
             Case{&paths, "C:\\notes.bmp", "the file does not start with the BMP signature."},
             Case{&paths, "folder.bmp", "it is not a regular file."},
             Case{&paths, "pipe.bmp", "it is not a regular file."},
             Case{&paths, "LINK.BMP", "it is not a regular file."},
             Case{&paths, "", "the file was not found."},
             Case{&paths, "huge.bmp",
                  "the file is 269484032 bytes long; images over 256 MiB are not read."},
             Case{nullptr, gone, "the file cannot be opened: "},
         }) {
        ASSERT_TRUE(dib.Load(cache, &paths, "art\\bg.bmp"));
        faults.clear();
        EXPECT_FALSE(dib.Load(cache, c.paths, c.name)) << c.name;
        EXPECT_FALSE(dib.IsLoaded()) << c.name;
        ASSERT_EQ(faults.size(), 1u) << c.name;
        const std::string fault = "Image " + c.name + " was not loaded: " + c.reason;
        EXPECT_EQ(c.reason.ends_with(": ") ? faults[0].substr(0, fault.size()) : faults[0], fault);
    }
}

// A 4 x 3 image drawn on an 8 x 6 surface through a canvas whose origin is at (1, 1): what
// lies outside the image is not copied, and what lies inside keeps its place.
TEST_F(DibTest, DrawsTheImageOrWhatARectangleCoversOfIt) {
    const BmpImage image = TestImage(4, 3, 24);
    Save(image, "img.bmp");
    ASSERT_TRUE(dib.Load(cache, &paths, "img.bmp"));
    constexpr host::Color kPaper = 0x123456;
    constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    struct Case {
        const char* label;
        std::optional<std::array<int32_t, 6>> rect;  // x, y, width, height, source x and y
        host::Rect copied;                           // on the surface
        host::Point from;                            // its top left in the image
    };
    for (const Case& c : {
             Case{"whole", {}, {1, 1, 5, 4}, {0, 0}},
             Case{"inside", {{4, 2, 2, 2, 1, 1}}, {5, 3, 7, 5}, {1, 1}},
             Case{"past the bottom right", {{0, 0, 4, 4, 2, 1}}, {1, 1, 3, 3}, {2, 1}},
             Case{"past the top left", {{3, 3, 2, 2, -1, -1}}, {5, 5, 6, 6}, {0, 0}},
             Case{"no width", {{0, 0, 0, 3, 0, 0}}, {}, {}},
             Case{"negative size", {{0, 0, -4, -3, 4, 3}}, {}, {}},
             Case{"far away", {{0, 0, 4, 3, 100, 100}}, {}, {}},
             Case{"extremes", {{kMax, kMax, kMax, kMax, kMin, kMin}}, {}, {}},
         }) {
        host::Surface target(8, 6, kPaper);
        host::Canvas canvas(target, {1, 1}, host::Region(target.Bounds()));
        if (c.rect) {
            const auto [x, y, width, height, sourceX, sourceY] = *c.rect;
            dib.DrawPart(canvas, x, y, width, height, sourceX, sourceY);
        } else {
            dib.Draw(canvas);
        }
        for (int32_t y = 0; y < 6; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                EXPECT_EQ(target.PixelAt(x, y),
                          c.copied.Contains(host::Point{x, y})
                              ? ExpectedAt(image, x - c.copied.left + c.from.x,
                                           y - c.copied.top + c.from.y)
                              : kPaper)
                    << c.label << " at " << x << ", " << y;
            }
        }
    }
    // An empty image draws nothing.
    dib.Free();
    host::Surface target(8, 6, kPaper);
    host::Canvas canvas(target, {1, 1}, host::Region(target.Bounds()));
    dib.Draw(canvas);
    dib.DrawPart(canvas, 0, 0, 4, 3, 0, 0);
    EXPECT_EQ(target.Pixels(), host::Surface(8, 6, kPaper).Pixels());
}

}  // namespace
}  // namespace stagehand::testing
