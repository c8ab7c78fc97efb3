// The image class: loading title files by their Windows names, the trace when it cannot, and
// drawing all or part of an image onto a canvas.
#include "visual/Dib.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BmpTestImages.h"
#include "host/files/TitlePaths.h"
#include "support/TempFolder.h"
#include "trace/Trace.h"

namespace stagehand::testing {
namespace {

class DibTest : public ::testing::Test {
  protected:
    DibTest()
        : sink_([this](trace::Entry entry, std::string_view text) {
              if (entry == trace::Entry::kFault)
                  faults.emplace_back(text);
          }) {}

    // Writes `image` as a BMP at `relative` in the title folder.
    void Save(const BmpImage& image, const std::filesystem::path& relative) {
        folder.MakeFolder(relative.parent_path());
        ASSERT_TRUE(SaveBmp(image, folder.Path() / relative));
    }

    TempFolder folder;
    host::TitlePaths paths{folder.Path()};
    std::vector<std::string> faults;

  private:
    trace::ScopedSink sink_;
};

constexpr host::Color kPaper = 0x123456;

TEST_F(DibTest, LoadsATitleFileByItsWindowsNameInAnyCase) {
    const BmpImage image = ColorImage(5, 4, 24);
    Save(image, "art/bg.bmp");
    CDib dib;
    EXPECT_TRUE(dib.Load(&paths, "ART\\BG.BMP"));
    EXPECT_TRUE(dib.IsLoaded());
    EXPECT_TRUE(Shows(dib.Image(), image));
    EXPECT_TRUE(dib.Load(&paths, "C:\\Art\\Bg.bmp"));
    EXPECT_TRUE(faults.empty());
}

TEST_F(DibTest, LoadsAHostPathWithoutTitlePaths) {
    const BmpImage image = IndexedImage(3, 3, 8, 9);
    Save(image, "x.bmp");
    CDib dib;
    EXPECT_TRUE(dib.Load(nullptr, (folder.Path() / "x.bmp").string()));
    EXPECT_TRUE(Shows(dib.Image(), image));
}

// A file that cannot be shown empties the image (even one loaded before) and says why in the
// trace, naming the file as the title wrote it.
TEST_F(DibTest, TracesWhyAFileWasNotLoadedAndIsLeftEmpty) {
    Save(ColorImage(2, 2, 24), "art/bg.bmp");
    folder.Write("notes.bmp", "Dear diary");
    folder.MakeFolder("folder.bmp");
    CDib dib;
    ASSERT_TRUE(dib.Load(&paths, "art\\bg.bmp"));

    EXPECT_FALSE(dib.Load(&paths, "ART\\NONE.BMP"));
    EXPECT_FALSE(dib.IsLoaded());
    EXPECT_FALSE(dib.Load(&paths, "C:\\notes.bmp"));
    EXPECT_FALSE(dib.Load(&paths, "folder.bmp"));
    EXPECT_FALSE(dib.Load(&paths, ""));
    EXPECT_FALSE(dib.Load(nullptr, (folder.Path() / "gone.bmp").string()));
    EXPECT_FALSE(dib.IsLoaded());
    ASSERT_EQ(faults.size(), 5u);
    EXPECT_EQ(faults[0], "Image ART\\NONE.BMP was not loaded: the file was not found.");
    EXPECT_EQ(faults[1],
              "Image C:\\notes.bmp was not loaded: the file does not start with the BMP "
              "signature.");
    EXPECT_EQ(faults[2], "Image folder.bmp was not loaded: it is not a regular file.");
    EXPECT_EQ(faults[3], "Image  was not loaded: the file was not found.");
    EXPECT_NE(faults[4].find("gone.bmp was not loaded: the file cannot be opened: "),
              std::string::npos);
}

TEST_F(DibTest, RefusesFilesTooLargeToReadWithoutReadingThem) {
    // A sparse file: no disk space is taken.
    const std::filesystem::path huge = folder.Write("huge.bmp", "BM");
    std::filesystem::resize_file(huge, 257ull * 1024 * 1024);
    CDib dib;
    EXPECT_FALSE(dib.Load(&paths, "huge.bmp"));
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults[0],
              "Image huge.bmp was not loaded: the file is 269484032 bytes long; images over "
              "256 MiB are not read.");
}

TEST_F(DibTest, ReloadingReplacesTheImageAndFreeEmptiesIt) {
    Save(ColorImage(4, 4, 24), "a.bmp");
    const BmpImage second = IndexedImage(2, 3, 4, 16);
    Save(second, "b.bmp");
    CDib dib;
    ASSERT_TRUE(dib.Load(&paths, "a.bmp"));
    ASSERT_TRUE(dib.Load(&paths, "b.bmp"));
    EXPECT_TRUE(Shows(dib.Image(), second));
    dib.Free();
    EXPECT_FALSE(dib.IsLoaded());
    EXPECT_EQ(dib.Image().Dimensions(), (host::Size{0, 0}));
}

// A 4 x 3 image drawn on an 8 x 6 surface of paper colour, through a canvas whose origin is
// at (1, 1) and whose clip is the whole surface.
class DibDrawTest : public DibTest {
  protected:
    void SetUp() override {
        Save(image, "img.bmp");
        ASSERT_TRUE(dib.Load(&paths, "img.bmp"));
    }

    host::Canvas MakeCanvas() {
        return host::Canvas(target, {1, 1}, host::Region(target.Bounds()));
    }

    // The image's pixel at (sx, sy) must be at target (tx, ty).
    void ExpectImagePixel(int32_t tx, int32_t ty, int32_t sx, int32_t sy) {
        EXPECT_EQ(target.PixelAt(tx, ty), ExpectedAt(image, sx, sy)) << tx << ", " << ty;
    }

    // Counts the target pixels still of paper colour.
    int PaperLeft() const {
        int count = 0;
        for (host::Color c : target.Pixels())
            count += c == kPaper;
        return count;
    }

    BmpImage image = ColorImage(4, 3, 24);
    CDib dib;
    host::Surface target{8, 6, kPaper};
};

TEST_F(DibDrawTest, DrawCopiesTheWholeImageToTheCanvasOrigin) {
    host::Canvas canvas = MakeCanvas();
    dib.Draw(canvas);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
            ExpectImagePixel(x + 1, y + 1, x, y);
    EXPECT_EQ(PaperLeft(), 48 - 12);
}

TEST_F(DibDrawTest, DrawPartCopiesARectangleOfTheImage) {
    host::Canvas canvas = MakeCanvas();
    dib.DrawPart(canvas, 4, 2, 2, 2, 1, 1);
    ExpectImagePixel(5, 3, 1, 1);
    ExpectImagePixel(6, 3, 2, 1);
    ExpectImagePixel(5, 4, 1, 2);
    ExpectImagePixel(6, 4, 2, 2);
    EXPECT_EQ(PaperLeft(), 48 - 4);
}

// What lies outside the image is not copied; the inside part keeps its place.
TEST_F(DibDrawTest, DrawPartCopiesOnlyThePartOfTheRectangleInsideTheImage) {
    host::Canvas canvas = MakeCanvas();
    // Source (2, 1)-(6, 5): only columns 2 and 3 of rows 1 and 2 exist.
    dib.DrawPart(canvas, 0, 0, 4, 4, 2, 1);
    ExpectImagePixel(1, 1, 2, 1);
    ExpectImagePixel(2, 1, 3, 1);
    ExpectImagePixel(1, 2, 2, 2);
    ExpectImagePixel(2, 2, 3, 2);
    EXPECT_EQ(PaperLeft(), 48 - 4);

    // Source (-1, -1)-(1, 1): only pixel (0, 0) exists; it lands one right and one down.
    host::Surface fresh(8, 6, kPaper);
    target = fresh;
    host::Canvas again = MakeCanvas();
    dib.DrawPart(again, 3, 3, 2, 2, -1, -1);
    ExpectImagePixel(5, 5, 0, 0);
    EXPECT_EQ(PaperLeft(), 48 - 1);
}

TEST_F(DibDrawTest, DrawPartOfNothingOrFarAwayDrawsNothing) {
    host::Canvas canvas = MakeCanvas();
    dib.DrawPart(canvas, 0, 0, 0, 3, 0, 0);
    dib.DrawPart(canvas, 0, 0, -4, -3, 4, 3);
    dib.DrawPart(canvas, 0, 0, 4, 3, 100, 100);
    dib.DrawPart(canvas, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
    EXPECT_EQ(PaperLeft(), 48);
}

TEST_F(DibDrawTest, AnEmptyImageDrawsNothing) {
    dib.Free();
    host::Canvas canvas = MakeCanvas();
    dib.Draw(canvas);
    dib.DrawPart(canvas, 0, 0, 4, 3, 0, 0);
    EXPECT_EQ(PaperLeft(), 48);
}

}  // namespace
}  // namespace stagehand::testing
