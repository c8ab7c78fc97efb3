// Disc images made by xorriso from a folder: every kind of name, files read back byte for
// byte (and as libarchive reads them), and damaged images refused in one sentence.
#include "host/disc/DiscImage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>

#ifdef STAGEHAND_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#endif

#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace stagehand::host {
namespace {

namespace fs = std::filesystem;
using Names = DiscImage::Names;

// Every entry of a tree by path: a file's length and a hash of its bytes, or "<folder>".
using Listing = std::map<std::string, std::string>;
constexpr const char* kFolder = "<folder>";

std::string Digest(const std::string& bytes) {
    return std::to_string(bytes.size()) + " bytes, " +
           std::to_string(std::hash<std::string>{}(bytes));
}

Listing List(const DiscImage& disc, size_t folder = DiscImage::kRoot, std::string prefix = "") {
    Listing out;
    for (const DiscImage::Entry& entry : disc.Children(folder)) {
        const std::string path = prefix + entry.name;
        if (entry.folder) {
            out[path] = kFolder;
            out.merge(List(disc, entry.index, path + "/"));
        } else {
            FileBytes bytes = ReadFile(disc.OpenFile(entry), 1 << 20);
            EXPECT_TRUE(bytes.Read()) << path << ": " << bytes.reason;
            out[path] = Digest(bytes.bytes);
        }
    }
    return out;
}

std::string Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
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
        big_.assign(300 * 1024 + 17, '\0');
        for (size_t i = 0; i < big_.size(); ++i) {
            big_[i] = static_cast<char>(i * 7 + i / 4096);
        }
        const std::pair<std::string, std::string> files[] = {
            {"Café.txt", "café\n"},
            {"A Long Mixed Case Name.text", "long"},
            {"Größe €.txt", "sizes"},
            {"empty", ""},
            {"big.bin", big_},
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
    std::string big_;
    int made_ = 0;
};

// Rock Ridge names win over Joliet ones, which win over plain ones; deep folders moved
// aside for plain readers are read at their real place; the link is never a file.
TEST_F(DiscImageTest, ReadsTheBestNamesOfEachKindOfImage) {
    const std::pair<std::string, Names> cases[] = {
        {"--norock -J", Names::kJoliet},
        {"-R", Names::kRockRidge},
        {"-J -R", Names::kRockRidge},
        {"-R -rr_reloc_dir rr_moved", Names::kRockRidge},
        {"-J -joliet-long -R -rr_reloc_dir .moved", Names::kRockRidge},
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
    EXPECT_EQ(plain->NamesRead(), Names::kPlain);
    const Listing listing = List(*plain);
    EXPECT_EQ(listing.count("FOLDER/INNER.TXT"), 1u);
    EXPECT_EQ(listing.count("EMPTY"), 1u);  // "EMPTY.;1" without its dot and version
}

// Names made on Windows are Windows-1252 bytes, not UTF-8.
TEST_F(DiscImageTest, ReadsNamesThatAreNotUtf8AsWindows1252) {
    folder_.Write("other/Men\xFC.txt", "menu");
    auto disc = OpenImage(Make("-R", "other"));
    ASSERT_TRUE(disc) << disc.error();
    EXPECT_EQ(List(*disc), (Listing{{"Menü.txt", Digest("menu")}}));
}

// A file's slice holds its bytes and nothing past them, under an inode of its own.
TEST_F(DiscImageTest, OpensFilesAsSlicesOfTheirOwn) {
    auto disc = OpenImage(Make("-J -R"));
    ASSERT_TRUE(disc) << disc.error();
    std::set<uint64_t> inodes;
    for (const DiscImage::Entry& entry : disc->Children(DiscImage::kRoot)) {
        InputFile file = disc->OpenFile(entry);
        EXPECT_EQ(file.IsOpen(), !entry.folder) << entry.name;
        EXPECT_TRUE(entry.folder || inodes.insert(file.Stamp().inode).second) << entry.name;
        if (entry.name == "big.bin") {
            std::string tail;
            ASSERT_TRUE(file.ReadSpan(entry.size - 5, 100, tail));
            EXPECT_EQ(tail, big_.substr(entry.size - 5));
        }
    }
    EXPECT_EQ(inodes.size(), 5u);
    EXPECT_TRUE(disc->Children(12345).empty());
}

std::string Le32(uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

uint32_t Le32At(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    }
    return value;
}

// Damaged images are refused in one sentence, or open with what is still sound.
TEST_F(DiscImageTest, RefusesDamagedImagesInOneSentence) {
    const std::string image = Bytes(Make("-R"));
    const std::string joliet = Bytes(Make("--norock -J"));
    constexpr size_t kPrimary = 16 * 2048;
    const size_t root = size_t{Le32At(image, kPrimary + 158)} * 2048;
    // The offset of the record of an ISO name in the root folder's first sector.
    auto record = [&](std::string_view name) {
        size_t at = root;
        while (image[at] != 0 && std::string_view(image).substr(at + 33, name.size()) != name) {
            at += static_cast<uint8_t>(image[at]);
        }
        return at;
    };
    const size_t continuation = image.find(std::string("CE\x1c\x01", 4), root);
    ASSERT_LT(continuation, root + 2048);
    const size_t area =
        size_t{Le32At(image, continuation + 4)} * 2048 + Le32At(image, continuation + 12);
    size_t terminator = kPrimary;
    while (static_cast<uint8_t>(image[terminator]) != 255) {
        terminator += 2048;
    }
    ASSERT_EQ(joliet[kPrimary + 2048], 2);  // the Joliet descriptor follows the primary one
    auto patched = [](std::string bytes, size_t at, const std::string& with) {
        return bytes.replace(at, with.size(), with);
    };
    const std::string tooShort = "it is not a disc image: it is too short to hold a volume";
    const std::tuple<const char*, std::string, std::string, std::string> cases[] = {
        // what, the image, the refusal (or "" when it opens), an entry that must be gone
        {"empty", "", tooShort, ""},
        {"cut in the system area", image.substr(0, kPrimary + 1000), tooShort, ""},
        {"cut after the primary descriptor", image.substr(0, kPrimary + 2048),
         "the disc image is damaged: its volume descriptors end before their terminator", ""},
        {"cut in half", image.substr(0, image.size() / 2), "", "big.bin"},
        {"no CD001", patched(image, kPrimary + 1, "CD002"),
         "it is not a disc image: it has no volume descriptor at sector 16", ""},
        {"terminator without CD001", patched(image, terminator + 1, "CD002"), "lacks its CD001",
         ""},
        {"primary version 2", patched(image, kPrimary + 6, "\x02"), "has version 2", ""},
        {"blocks of 4096", patched(image, kPrimary + 128, std::string("\0\x10", 2)),
         "the disc image is damaged: its block size is 4096 bytes", ""},
        {"root out of range", patched(image, kPrimary + 158, Le32(0xFFFFFF)),
         "the disc image is damaged: its root folder lies outside the image", ""},
        {"root records cut at 40 bytes", patched(image, kPrimary + 166, Le32(40)),
         "a folder record runs past the end of its sector", ""},
        {"folder holding the root", patched(image, record("FOLDER") + 2, Le32(root / 2048)),
         "a folder is reached twice", ""},
        {"huge folder", patched(image, record("FOLDER") + 10, Le32(0x7FFFFFFF)),
         "a folder holds more than 4 MiB of records", ""},
        {"huge file", patched(image, record("BIG.BIN;1") + 10, Le32(0xFFFFFFF0)), "", "big.bin"},
        {"zero-length first record", patched(image, root, std::string(1, '\0')), "", "empty"},
        {"continuation past the end", patched(image, continuation + 4, Le32(0xFFFFFF)),
         "a continuation area lies outside the image", ""},
        {"continuation leading to itself",
         patched(image, area, std::string("CE\x1c\x01", 4) + image.substr(continuation + 4, 24)),
         "a record has more than 16 continuation areas", ""},
        {"Joliet root out of range", patched(joliet, kPrimary + 2048 + 158, Le32(0xFFFFFF)),
         "its root folder lies outside the image", ""},
    };
    for (const auto& [what, bytes, refusal, gone] : cases) {
        SCOPED_TRACE(what);
        auto disc = OpenImage(folder_.Write("damaged.iso", bytes));
        if (refusal.empty()) {
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
    archive_entry* entry = nullptr;
    while (archive_read_next_header(reader, &entry) == ARCHIVE_OK) {
        std::string path = archive_entry_pathname_utf8(entry);
        if (!path.empty() && path.back() == '/') {
            path.pop_back();
        }
        if (path == ".") {
            continue;
        } else if (archive_entry_filetype(entry) == AE_IFDIR) {
            out[path] = kFolder;
        } else if (archive_entry_filetype(entry) == AE_IFREG) {
            std::string bytes(static_cast<size_t>(archive_entry_size(entry)), '\0');
            archive_read_data(reader, bytes.data(), bytes.size());
            out[path] = Digest(bytes);
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
