// The public BMP suite, an outside corpus nobody on this project wrote: its good files and
// the questionable ones the player reads must look like the suite's reference renderings;
// the rest must be refused or read without harm.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "host/gfx/Png.h"
#include "visual/BmpDecoder.h"

namespace stagehand {
namespace {

// Per channel: the references were rounded by another program.
constexpr int kTolerance = 3;

std::filesystem::path SuiteFolder() {
    const char* data = std::getenv("STAGEHAND_TEST_DATA");
    return std::filesystem::path(data != nullptr ? data : "tests/data") / "bmpsuite";
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct SuiteFile {
    const char* file;       // under the suite folder
    const char* reference;  // under reference/
};

// Compares with the reference, reporting the first pixel that differs by more than the
// tolerance in any channel.
::testing::AssertionResult LooksLike(const host::Surface& image, const host::Surface& expected) {
    if (image.Dimensions() != expected.Dimensions())
        return ::testing::AssertionFailure()
               << "size " << image.Width() << "x" << image.Height() << ", expected "
               << expected.Width() << "x" << expected.Height();
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            const host::Color got = image.PixelAt(x, y);
            const host::Color want = expected.PixelAt(x, y);
            auto close = [](uint8_t a, uint8_t b) { return std::abs(a - b) <= kTolerance; };
            if (!close(host::RedOf(got), host::RedOf(want)) ||
                !close(host::GreenOf(got), host::GreenOf(want)) ||
                !close(host::BlueOf(got), host::BlueOf(want)))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                                     << std::hex << got << ", expected " << want;
        }
    }
    return ::testing::AssertionSuccess();
}

class ReadsLikeReference : public ::testing::TestWithParam<SuiteFile> {};

// "g/pal8-0.bmp" is named g_pal8_0 in the test's name.
std::string NameOf(const ::testing::TestParamInfo<SuiteFile>& info) {
    std::string name = info.param.file;
    name.resize(name.size() - 4);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

TEST_P(ReadsLikeReference, Matches) {
    const SuiteFile& entry = GetParam();
    std::string error;
    const std::optional<host::Surface> image =
        DecodeBmp(ReadBytes(SuiteFolder() / entry.file), &error);
    ASSERT_TRUE(image) << entry.file << ": " << error;
    const std::optional<host::Surface> reference =
        host::ReadPng((SuiteFolder() / "reference" / entry.reference).string(), &error);
    ASSERT_TRUE(reference) << error;
    EXPECT_TRUE(LooksLike(*image, *reference)) << entry.file;
}

// Where the suite allows several renderings, the player's is the one with undrawn RLE pixels
// black ("-b"), and for non-square pixels the one left as stored ("-e").
INSTANTIATE_TEST_SUITE_P(
    Good, ReadsLikeReference,
    ::testing::Values(
        SuiteFile{"g/pal1.bmp", "pal1.png"}, SuiteFile{"g/pal1wb.bmp", "pal1.png"},
        SuiteFile{"g/pal1bg.bmp", "pal1bg.png"}, SuiteFile{"g/pal4.bmp", "pal4.png"},
        SuiteFile{"g/pal4gs.bmp", "pal4gs.png"}, SuiteFile{"g/pal4rle.bmp", "pal4.png"},
        SuiteFile{"g/pal8.bmp", "pal8.png"}, SuiteFile{"g/pal8-0.bmp", "pal8.png"},
        SuiteFile{"g/pal8gs.bmp", "pal8gs.png"}, SuiteFile{"g/pal8rle.bmp", "pal8.png"},
        SuiteFile{"g/pal8w126.bmp", "pal8w126.png"}, SuiteFile{"g/pal8w125.bmp", "pal8w125.png"},
        SuiteFile{"g/pal8w124.bmp", "pal8w124.png"}, SuiteFile{"g/pal8topdown.bmp", "pal8.png"},
        SuiteFile{"g/pal8nonsquare.bmp", "pal8nonsquare-e.png"},
        SuiteFile{"g/pal8v4.bmp", "pal8.png"}, SuiteFile{"g/pal8v5.bmp", "pal8.png"},
        SuiteFile{"g/rgb16.bmp", "rgb16.png"}, SuiteFile{"g/rgb16bfdef.bmp", "rgb16.png"},
        SuiteFile{"g/rgb16-565.bmp", "rgb16-565.png"},
        SuiteFile{"g/rgb16-565pal.bmp", "rgb16-565.png"}, SuiteFile{"g/rgb24.bmp", "rgb24.png"},
        SuiteFile{"g/rgb24pal.bmp", "rgb24.png"}, SuiteFile{"g/rgb32.bmp", "rgb24.png"},
        SuiteFile{"g/rgb32bf.bmp", "rgb24.png"}, SuiteFile{"g/rgb32bfdef.bmp", "rgb24.png"}),
    NameOf);

INSTANTIATE_TEST_SUITE_P(Questionable, ReadsLikeReference,
                         ::testing::Values(SuiteFile{"q/pal1p1.bmp", "pal1p1.png"},
                                           SuiteFile{"q/pal4rletrns.bmp", "pal4rletrns-b.png"},
                                           SuiteFile{"q/pal4rlecut.bmp", "pal4rlecut-b.png"},
                                           SuiteFile{"q/pal8rletrns.bmp", "pal8rletrns-b.png"},
                                           SuiteFile{"q/pal8rlecut.bmp", "pal8rlecut-b.png"},
                                           SuiteFile{"q/pal8offs.bmp", "pal8.png"},
                                           SuiteFile{"q/pal8oversizepal.bmp", "pal8.png"},
                                           SuiteFile{"q/pal8os2v2.bmp", "pal8.png"},
                                           SuiteFile{"q/pal8os2v2-sz.bmp", "pal8.png"},
                                           SuiteFile{"q/pal8os2v2-40sz.bmp", "pal8.png"},
                                           SuiteFile{"q/rgb16-231.bmp", "rgb16-231.png"},
                                           SuiteFile{"q/rgb16-3103.bmp", "rgb16-3103.png"},
                                           SuiteFile{"q/rgb16faketrns.bmp", "rgb16.png"},
                                           SuiteFile{"q/rgb24largepal.bmp", "rgb24.png"},
                                           SuiteFile{"q/rgb32h52.bmp", "rgb24.png"},
                                           SuiteFile{"q/rgb32-xbgr.bmp", "rgb24.png"},
                                           SuiteFile{"q/rgb32fakealpha.bmp", "rgb24.png"},
                                           SuiteFile{"q/rgb32-111110.bmp", "rgb24.png"},
                                           SuiteFile{"b/rgb16-880.bmp", "rgb16-880.png"}),
                         NameOf);

INSTANTIATE_TEST_SUITE_P(
    Profiles, ReadsLikeReference,
    // Colour profiles are not applied; these two would look the same with them.
    ::testing::Values(SuiteFile{"q/rgb24prof.bmp", "rgb24.png"},
                      SuiteFile{"q/rgb24lprof.bmp", "rgb24.png"}),
    NameOf);

std::optional<host::Surface> DecodeSuiteFile(const char* file, std::string* error) {
    return DecodeBmp(ReadBytes(SuiteFolder() / file), error);
}

TEST(BmpSuite, RefusesWhatThePlayerDoesNotRead) {
    struct Refusal {
        const char* file;
        const char* reason;
    };
    for (const Refusal& r : {
             Refusal{"g/pal8os2.bmp", "12-byte core header"},
             Refusal{"q/pal8os2v2-16.bmp", "info header size, 16 bytes"},
             Refusal{"q/pal2.bmp", "2 bits a pixel"},
             Refusal{"q/rgba64.bmp", "64 bits a pixel"},
             Refusal{"q/rgb24jpeg.bmp", "compression type 4"},
             Refusal{"q/rgb24png.bmp", "compression type 5"},
             Refusal{"q/rgb24rle24.bmp", "compression type 4"},
             Refusal{"q/pal1huffmsb.bmp", "colour masks need 16 or 32 bits"},
             Refusal{"b/badbitcount.bmp", "30000 bits a pixel"},
             Refusal{"b/badwidth.bmp", "width, -127 pixels"},
             Refusal{"b/reallybig.bmp", "3000000 x 2000000 pixels"},
             Refusal{"b/rletopdown.bmp", "top-down"},
         }) {
        std::string error;
        EXPECT_FALSE(DecodeSuiteFile(r.file, &error)) << r.file;
        EXPECT_NE(error.find(r.reason), std::string::npos) << r.file << ": " << error;
    }
}

// Damaged files the player still reads: wrong sizes it does not rely on, planes other than 1,
// RLE streams that point outside the image, a file cut short.
TEST(BmpSuite, ReadsDamagedFilesThatStillDescribeAnImage) {
    for (const char* file :
         {"b/badbitssize.bmp", "b/baddens1.bmp", "b/baddens2.bmp", "b/badfilesize.bmp",
          "b/badheadersize.bmp", "b/badpalettesize.bmp", "b/badplanes.bmp", "b/badrle.bmp",
          "b/badrlebis.bmp", "b/badrleter.bmp", "b/badrle4.bmp", "b/badrle4bis.bmp",
          "b/badrle4ter.bmp", "b/shortfile.bmp"}) {
        std::string error;
        const std::optional<host::Surface> image = DecodeSuiteFile(file, &error);
        ASSERT_TRUE(image) << file << ": " << error;
        EXPECT_EQ(image->Dimensions(), (host::Size{127, 64})) << file;
    }
}

TEST(BmpSuite, ShowsIndexesPastTheColourTableAsBlack) {
    std::string error;
    const std::optional<host::Surface> image = DecodeSuiteFile("b/pal8badindex.bmp", &error);
    ASSERT_TRUE(image) << error;
    const std::optional<host::Surface> reference =
        host::ReadPng((SuiteFolder() / "reference/pal8.png").string(), &error);
    ASSERT_TRUE(reference) << error;
    // The indexes inside the table are those of the standard image; the others are black.
    int black = 0;
    for (int32_t y = 0; y < image->Height(); ++y) {
        for (int32_t x = 0; x < image->Width(); ++x) {
            const host::Color got = image->PixelAt(x, y);
            if (got == host::kBlack && reference->PixelAt(x, y) != host::kBlack)
                ++black;
            else
                ASSERT_EQ(got, reference->PixelAt(x, y)) << x << ", " << y;
        }
    }
    EXPECT_GT(black, 0);
}

// The alpha masks are ignored, wherever they are given: after a 40-byte header
// (ALPHABITFIELDS) or inside a 56-byte one.
TEST(BmpSuite, ReadsImagesWithAlphaMasksAsOpaque) {
    std::string error;
    const std::optional<host::Surface> plain = DecodeSuiteFile("q/rgba32-1.bmp", &error);
    ASSERT_TRUE(plain) << error;
    for (const char* file : {"q/rgba32abf.bmp", "q/rgba32-2.bmp", "q/rgba32h56.bmp"}) {
        const std::optional<host::Surface> image = DecodeSuiteFile(file, &error);
        ASSERT_TRUE(image) << file << ": " << error;
        EXPECT_EQ(image->Pixels(), plain->Pixels()) << file;
    }
}

// Every file of the suite, whatever it holds, is refused with a reason or read at the size
// its header gives.
TEST(BmpSuite, RefusesOrReadsEveryFileAtItsHeadersSize) {
    int files = 0;
    for (const char* folder : {"g", "q", "b"}) {
        for (const auto& entry : std::filesystem::directory_iterator(SuiteFolder() / folder)) {
            const std::vector<uint8_t> bytes = ReadBytes(entry.path());
            std::string error;
            const std::optional<host::Surface> image = DecodeBmp(bytes, &error);
            ++files;
            if (!image) {
                EXPECT_FALSE(error.empty()) << entry.path();
                continue;
            }
            const std::optional<BmpHeader> header = ReadBmpHeader(bytes, nullptr);
            ASSERT_TRUE(header) << entry.path();
            EXPECT_EQ(image->Dimensions(), (host::Size{header->width, header->height}))
                << entry.path();
        }
    }
    EXPECT_GT(files, 60);
}

}  // namespace
}  // namespace stagehand
