// The public BMP suite, an outside corpus nobody on this project wrote: its good files and
// the questionable ones the player reads must look like the suite's reference renderings;
// the rest must be refused or read without harm.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "BmpTestImages.h"
#include "host/gfx/Png.h"

namespace stagehand::testing {
namespace {

std::filesystem::path Folder() {
    const char* data = std::getenv("STAGEHAND_TEST_DATA");
    return std::filesystem::path(data != nullptr ? data : "tests/data") / "bmpsuite";
}

std::vector<uint8_t> ReadFile(const std::string& name) {
    std::ifstream in(Folder() / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Like the reference within 3 a channel (the references were rounded by another program).
::testing::AssertionResult LooksLike(const host::Surface& image, const host::Surface& expected) {
    if (image.Dimensions() != expected.Dimensions()) {
        return ::testing::AssertionFailure() << "size " << image.Width() << "x" << image.Height();
    }
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            for (int shift : {0, 8, 16}) {
                if (std::abs(int(image.PixelAt(x, y) >> shift & 0xFF) -
                             int(expected.PixelAt(x, y) >> shift & 0xFF)) > 3) {
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << ") is " << std::hex
                           << image.PixelAt(x, y) << ", expected " << expected.PixelAt(x, y);
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// The good files, the questionable ones the player reads, and two with colour profiles (not
// applied; these two would look the same with them). Where the suite allows several
// renderings, the player's has undrawn RLE pixels black ("-b") and non-square pixels left as
// stored ("-e"). Each file is followed by its rendering under reference/.
constexpr const char* kRendered =
    "g/pal1.bmp pal1.png  g/pal1wb.bmp pal1.png  g/pal1bg.bmp pal1bg.png  g/pal4.bmp pal4.png  "
    "g/pal4gs.bmp pal4gs.png  g/pal4rle.bmp pal4.png  g/pal8.bmp pal8.png  g/pal8-0.bmp pal8.png  "
    "g/pal8gs.bmp pal8gs.png  g/pal8rle.bmp pal8.png  g/pal8w126.bmp pal8w126.png  "
    "g/pal8w125.bmp pal8w125.png  g/pal8w124.bmp pal8w124.png  g/pal8topdown.bmp pal8.png  "
    "g/pal8nonsquare.bmp pal8nonsquare-e.png  g/pal8v4.bmp pal8.png  g/pal8v5.bmp pal8.png  "
    "g/rgb16.bmp rgb16.png  g/rgb16bfdef.bmp rgb16.png  g/rgb16-565.bmp rgb16-565.png  "
    "g/rgb16-565pal.bmp rgb16-565.png  g/rgb24.bmp rgb24.png  g/rgb24pal.bmp rgb24.png  "
    "g/rgb32.bmp rgb24.png  g/rgb32bf.bmp rgb24.png  g/rgb32bfdef.bmp rgb24.png  "
    "q/pal1p1.bmp pal1p1.png  q/pal4rletrns.bmp pal4rletrns-b.png  "
    "q/pal4rlecut.bmp pal4rlecut-b.png  q/pal8rletrns.bmp pal8rletrns-b.png  "
    "q/pal8rlecut.bmp pal8rlecut-b.png  q/pal8offs.bmp pal8.png  q/pal8oversizepal.bmp pal8.png  "
    "q/pal8os2v2.bmp pal8.png  q/pal8os2v2-sz.bmp pal8.png  q/pal8os2v2-40sz.bmp pal8.png  "
    "q/rgb16-231.bmp rgb16-231.png  q/rgb16-3103.bmp rgb16-3103.png  "
    "q/rgb16faketrns.bmp rgb16.png  q/rgb24largepal.bmp rgb24.png  q/rgb32h52.bmp rgb24.png  "
    "q/rgb32-xbgr.bmp rgb24.png  q/rgb32fakealpha.bmp rgb24.png  q/rgb32-111110.bmp rgb24.png  "
    "b/rgb16-880.bmp rgb16-880.png  q/rgb24prof.bmp rgb24.png  q/rgb24lprof.bmp rgb24.png  "
    "q/rgb32-7187.bmp rgb32-7187.png";

TEST(BmpSuite, ReadsLikeTheReferenceRenderings) {
    std::istringstream entries(kRendered);
    for (std::string file, rendering; entries >> file >> rendering;) {
        const base::Result<host::Surface> reference =
            host::DecodePng(ReadFile("reference/" + rendering));
        ASSERT_TRUE(reference) << reference.error();
        EXPECT_TRUE(LooksLike(Decode(ReadFile(file)), *reference)) << file;
    }
}

// The alpha masks are ignored, wherever they are given: after a 40-byte header
// (ALPHABITFIELDS) or inside a 56-byte one.
TEST(BmpSuite, ReadsImagesWithAlphaMasksAsOpaque) {
    const host::Surface plain = Decode(ReadFile("q/rgba32-1.bmp"));
    for (const char* file : {"q/rgba32abf.bmp", "q/rgba32-2.bmp", "q/rgba32h56.bmp"}) {
        EXPECT_EQ(Decode(ReadFile(file)).Pixels(), plain.Pixels()) << file;
    }
}

// Every file of the suite is refused with a reason or read at the size its header gives.
// Those listed are refused for the reason given; the damaged ones listed are read (127 x 64):
// wrong sizes the player does not rely on, planes other than 1, RLE streams that point
// outside the image, a file cut short.
TEST(BmpSuite, RefusesOrReadsEveryFileAtItsHeadersSize) {
    const std::map<std::string, std::string> refusals = {
        {"g/pal8os2.bmp", "12-byte core header"},
        {"q/pal8os2v2-16.bmp", "info header size, 16 bytes"},
        {"q/pal2.bmp", "2 bits a pixel"},
        {"q/rgba64.bmp", "64 bits a pixel"},
        {"q/rgb24jpeg.bmp", "compression type 4"},
        {"q/rgb24png.bmp", "compression type 5"},
        {"q/rgb24rle24.bmp", "compression type 4"},
        {"q/pal1huffmsb.bmp", "colour masks need 16 or 32 bits"},
        {"b/badbitcount.bmp", "30000 bits a pixel"},
        {"b/badwidth.bmp", "width, -127 pixels"},
        {"b/reallybig.bmp", "3000000 x 2000000 pixels"},
        {"b/rletopdown.bmp", "top-down"}};
    const std::set<std::string> damaged = {
        "b/badbitssize.bmp",   "b/baddens1.bmp",       "b/baddens2.bmp",  "b/badfilesize.bmp",
        "b/badheadersize.bmp", "b/badpalettesize.bmp", "b/badplanes.bmp", "b/badrle.bmp",
        "b/badrlebis.bmp",     "b/badrleter.bmp",      "b/badrle4.bmp",   "b/badrle4bis.bmp",
        "b/badrle4ter.bmp",    "b/shortfile.bmp"};
    size_t files = 0, listed = 0;
    for (const char* folder : {"g", "q", "b"}) {
        for (const auto& entry : std::filesystem::directory_iterator(Folder() / folder)) {
            const std::string name = folder + ("/" + entry.path().filename().string());
            const std::vector<uint8_t> bytes = ReadFile(name);
            const base::Result<host::Surface> image = DecodeBmp(bytes);
            const std::string error = image ? std::string() : image.error();
            ++files;
            if (const auto reason = refusals.find(name); reason != refusals.end()) {
                ++listed;
                EXPECT_FALSE(image) << name;
                EXPECT_NE(error.find(reason->second), std::string::npos) << name << ": " << error;
            } else if (damaged.count(name) != 0) {
                ++listed;
                ASSERT_TRUE(image) << name << ": " << error;
                EXPECT_EQ(image->Dimensions(), (host::Size{127, 64})) << name;
            }
            if (!image) {
                EXPECT_FALSE(error.empty()) << name;
                continue;
            }
            const base::Result<BmpHeader> header = ReadBmpHeader(bytes);
            ASSERT_TRUE(header) << name;
            EXPECT_EQ(image->Dimensions(), (host::Size{header->width, header->height})) << name;
        }
    }
    EXPECT_GT(files, 60u);
    EXPECT_EQ(listed, refusals.size() + damaged.size());
}

}  // namespace
}  // namespace stagehand::testing
