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

[[maybe_unused]] std::string Bytes(const fs::path& file) {
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

    fs::path Make(const std::string& options) {
        const fs::path image = folder_.Path() / ("disc" + std::to_string(made_++) + ".iso");
        const std::string command = "xorriso -as mkisofs " + options + " -V 'Title Disc' -o '" +
                                    image.string() + "' '" + (folder_.Path() / "src").string() +
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
