// Disc images made by xorriso from a folder: every kind of name, files read back byte for
// byte (and as libarchive reads them), and damaged images refused in one sentence.
#include "host/disc/DiscImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>

#ifdef STAGEHAND_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#endif

#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace stagehand::host {
namespace {

namespace fs = std::filesystem;

// Every entry of a tree by path: a file's length and a hash of its bytes, or "<folder>".
using Listing = std::map<std::string, std::string>;
constexpr const char* kFolder = "<folder>";

std::string Digest(const std::string& bytes) {
    return std::to_string(bytes.size()) + ':' + std::to_string(std::hash<std::string>{}(bytes));
}

// Reads every file through its slice, checking that no two share an inode.
void List(const DiscImage& disc, size_t folder, const std::string& prefix, Listing& out,
          std::set<uint64_t>& inodes) {
    for (const DiscImage::Entry& entry : disc.Children(folder)) {
        const std::string path = prefix + entry.name;
        if (entry.folder) {
            out[path] = kFolder;
            List(disc, entry.index, path + "/", out, inodes);
            continue;
        }
        InputFile file = disc.OpenFile(entry);
        EXPECT_TRUE(inodes.insert(file.Stamp().inode).second) << path;
        FileBytes bytes = ReadFile(std::move(file), 1 << 20);
        EXPECT_TRUE(bytes.Read()) << path << ": " << bytes.reason;
        out[path] = Digest(bytes.bytes);
    }
}

Listing List(const DiscImage& disc) {
    Listing out;
    std::set<uint64_t> inodes;
    List(disc, DiscImage::kRoot, "", out, inodes);
    return out;
}

base::Result<DiscImage> OpenImage(const fs::path& image) {
    return DiscImage::Open(InputFile::Open(image));
}

class DiscImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("xorriso -version >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "xorriso is not installed, so there are no disc images to read";
        }
        std::string big;  // a few hundred KB, no two sectors alike
        for (int i = 0; i < 60'000; ++i) {
            big += std::to_string(i) + ',';
        }
        const std::pair<std::string, std::string> files[] = {
            {"Café.txt", "café\n"},
            {"A Long Mixed Case Name.text", "long"},
            {"Größe €.txt", "sizes"},
            {"empty", ""},
            {"big.bin", big},
            {"a/b/c/d/e/f/g/h/i/j/deep.txt", "deep"},
            {"Folder/Inner.TXT", "inner"},
        };
        for (const auto& [path, bytes] : files) {
            folder_.Write("src/" + path, bytes);
            expected_[path] = Digest(bytes);
            for (fs::path up = fs::path(path).parent_path(); !up.empty(); up = up.parent_path()) {
                expected_[up.string()] = kFolder;
            }
        }
        fs::create_symlink("Café.txt", folder_.Path() / "src/link");
    }

    fs::path Make(const std::string& options, const std::string& source = "src") {
        const fs::path image = folder_.Path() / ("disc" + std::to_string(made_++) + ".iso");
        const std::string command = "xorriso -as mkisofs " + options + " -V 'Title Disc' -o '" +
                                    image.string() + "' '" + (folder_.Path() / source).string() +
                                    "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return image;
    }

    testing::TempFolder folder_;
    Listing expected_;
    int made_ = 0;
};

// Rock Ridge names win over Joliet ones, which win over plain ones; deep folders moved
// aside for plain readers are read at their real place; the link is never a file; bytes
// that are not UTF-8 are read as Windows-1252.
TEST_F(DiscImageTest, ReadsTheBestNamesOfEachKindOfImage) {
    const std::pair<std::string, DiscImage::Names> cases[] = {
        {"--norock -J", DiscImage::Names::kJoliet},
        {"-R", DiscImage::Names::kRockRidge},
        {"-J -R", DiscImage::Names::kRockRidge},
        {"-R -rr_reloc_dir rr_moved", DiscImage::Names::kRockRidge},
        {"-J -joliet-long -R -rr_reloc_dir .moved", DiscImage::Names::kRockRidge},
    };
    for (const auto& [options, names] : cases) {
        SCOPED_TRACE(options);
        auto disc = OpenImage(Make(options));
        ASSERT_TRUE(disc) << disc.error();
        EXPECT_EQ(disc->NamesRead(), names);
        EXPECT_EQ(disc->VolumeName(), "Title Disc");
        EXPECT_EQ(List(*disc), expected_);
    }
    auto plain = OpenImage(Make("--norock"));
    ASSERT_TRUE(plain) << plain.error();
    EXPECT_EQ(plain->NamesRead(), DiscImage::Names::kPlain);
    EXPECT_EQ(List(*plain).count("EMPTY"), 1u);  // "EMPTY.;1" without its dot and version
    // Names made on Windows are Windows-1252 bytes, not UTF-8.
    folder_.Write("other/Men\xFC.txt", "menu");
    auto windows = OpenImage(Make("-R", "other"));
    ASSERT_TRUE(windows) << windows.error();
    EXPECT_EQ(List(*windows), (Listing{{"Menü.txt", Digest("menu")}}));
}

std::string Le32(uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

size_t Le32At(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);  // the tests run on little-endian machines
    return value;
}

// Damaged images are refused in one sentence, or open with what is still sound.
TEST_F(DiscImageTest, RefusesDamagedImagesInOneSentence) {
    const std::string image = ReadFile(Make("-R"), 1 << 20).bytes;
    const std::string joliet = ReadFile(Make("--norock -J"), 1 << 20).bytes;
    constexpr size_t kPrimary = 16 * 2048;
    const size_t root = Le32At(image, kPrimary + 158) * 2048;
    // The records of the root's entries (their plain names follow the 33 bytes before them).
    const size_t folder = image.find("FOLDER", root) - 33;
    const size_t big = image.find("BIG.BIN;1", root) - 33;
    const std::string ce("CE\x1c\x01", 4);  // a continuation entry, 28 bytes long
    const size_t continuation = image.find(ce, root);
    ASSERT_LT(continuation, root + 2048);
    const size_t area = Le32At(image, continuation + 4) * 2048 + Le32At(image, continuation + 12);
    const size_t terminator = image.find("\377CD001", kPrimary);
    ASSERT_EQ(joliet[kPrimary + 2048], 2);  // the Joliet descriptor follows the primary one
    auto patched = [](std::string bytes, size_t at, const std::string& with) {
        return bytes.replace(at, with.size(), with);
    };
    const std::tuple<const char*, std::string, const char*, const char*> cases[] = {
        // what, the image, a part of the refusal (or "" when it opens), an entry now gone
        {"empty", "", "it is not a disc image: it is too short to hold a volume", ""},
        {"cut after the primary", image.substr(0, kPrimary + 2048), "end before their", ""},
        {"cut in half", image.substr(0, image.size() / 2), "", "big.bin"},
        {"no CD001", patched(image, kPrimary + 1, "CD002"), "no volume descriptor at", ""},
        {"terminator without CD001", patched(image, terminator + 1, "X"), "lacks its CD001", ""},
        {"primary version 2", patched(image, kPrimary + 6, "\x02"), "has version 2", ""},
        {"blocks of 4096", patched(image, kPrimary + 128, std::string("\0\x10", 2)), "4096", ""},
        {"root out of range", patched(image, kPrimary + 158, Le32(1 << 24)), "its root", ""},
        {"root records cut", patched(image, kPrimary + 166, Le32(40)), "past the end of its", ""},
        {"folder in itself", patched(image, folder + 2, Le32(root / 2048)), "reached twice", ""},
        {"huge folder", patched(image, folder + 10, Le32(1u << 31)), "than 4 MiB", ""},
        {"huge file", patched(image, big + 10, Le32(~0u)), "", "big.bin"},
        {"zero-length first record", patched(image, root, std::string(1, '\0')), "", "empty"},
        {"area out", patched(image, continuation + 4, Le32(1 << 24)), "area lies outside", ""},
        {"area loop", patched(image, area, ce + image.substr(continuation + 4, 24)), "than 16", ""},
        {"Joliet root out", patched(joliet, kPrimary + 2206, Le32(1 << 24)), "its root", ""},
    };
    for (const auto& [what, bytes, refusal, gone] : cases) {
        SCOPED_TRACE(what);
        auto disc = OpenImage(folder_.Write("damaged.iso", bytes));
        if (*refusal == '\0') {
            ASSERT_TRUE(disc) << disc.error();
            const Listing listing = List(*disc);
            EXPECT_EQ(listing.count(gone), 0u);
            EXPECT_LT(listing.size(), expected_.size());
        } else {
            EXPECT_NE(testing::ErrorOf(disc).find(refusal), std::string::npos)
                << testing::ErrorOf(disc);
        }
    }
}

#ifdef STAGEHAND_HAVE_LIBARCHIVE
// The same tree as libarchive reads it (it too prefers Rock Ridge, then Joliet names).
Listing ArchiveList(const fs::path& image) {
    Listing out;
    archive* reader = archive_read_new();
    archive_read_support_format_iso9660(reader);
    EXPECT_EQ(archive_read_open_filename(reader, image.c_str(), 10240), ARCHIVE_OK);
    for (archive_entry* entry; archive_read_next_header(reader, &entry) == ARCHIVE_OK;) {
        std::string path = archive_entry_pathname_utf8(entry);
        path.erase(path.find_last_not_of('/') + 1);
        std::string bytes(static_cast<size_t>(archive_entry_size(entry)), '\0');
        const la_ssize_t got = archive_read_data(reader, bytes.data(), bytes.size());
        bytes.resize(static_cast<size_t>(std::max<la_ssize_t>(got, 0)));
        if (path != "." && archive_entry_filetype(entry) != AE_IFLNK) {
            out[path] = archive_entry_filetype(entry) == AE_IFDIR ? kFolder : Digest(bytes);
        }
    }
    archive_read_free(reader);
    return out;
}

TEST_F(DiscImageTest, ReadsWhatLibarchiveReads) {
    std::setlocale(LC_ALL, "C.UTF-8");  // for libarchive's names
    for (const std::string options : {"--norock", "--norock -J", "-R", "-J -R"}) {
        SCOPED_TRACE(options);
        const fs::path image = Make(options);
        auto disc = OpenImage(image);
        ASSERT_TRUE(disc) << disc.error();
        EXPECT_EQ(List(*disc), ArchiveList(image));
    }
}
#endif

}  // namespace
}  // namespace stagehand::host
