// A disc image (the ISO 9660 file of a title's CD) read as a tree of folders and files, so a
// title can be played from the image as from its disc drive.
//
// Guarantees: Open reads the volume descriptors and the whole folder tree at once, only
// through InputFile::ReadSpan, and every size, count and depth it meets is bounded by the
// constants below: bad input gives a refusal, never a crash, a hang or an allocation beyond
// the bounds. Damaged structure (a volume descriptor, a folder record, a folder extent or a
// continuation area outside the image, a folder reached twice) refuses the whole image; a
// file whose data lies past the end of the image is left out, the rest is read. Names are
// UTF-8: Rock Ridge names where the primary volume has them, else the Joliet ones, else the
// plain names without their ";1" and a lone trailing ".". Bytes that are not UTF-8 (plain
// names and Rock Ridge names made on Windows) are read as Windows-1252. Entries are kept in
// the order of the disc; of two entries with the same name in one folder the first is kept.
// Where it bites: links on an image are not followed: a Rock Ridge symbolic link is left
// out, as are associated files, interleaved files, files made of several extents (over 4
// GiB), Rock Ridge names longer than kMaxNameBytes, and entries whose name is empty, "." or
// "..", or holds a '/' or a NUL. An empty file is kept wherever its extent says it starts.
// Of the two copies of each number in a record only the little-endian one is read. Only one
// session is read (the descriptors from sector 16). Nothing is read again after Open: an
// image that changes while it is open gives what its files hold then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "host/files/File.h"

namespace stagehand::host {

class DiscImage {
  public:
    // All the entries of the image together (a CD holds a few thousand).
    static constexpr size_t kMaxEntries = 200'000;
    // Folder nesting below the root.
    static constexpr size_t kMaxDepth = 64;
    // The records of one folder.
    static constexpr uint64_t kMaxFolderBytes = 4 << 20;
    // The records of all folders and their continuation areas together.
    static constexpr uint64_t kMaxTotalFolderBytes = 64 << 20;
    // Volume descriptors read from sector 16 on, up to the terminator.
    static constexpr size_t kMaxDescriptors = 64;
    // Continuation areas of one record, and the bytes of one area.
    static constexpr size_t kMaxContinuations = 16;
    static constexpr uint32_t kMaxContinuationBytes = 64 << 10;
    // A Rock Ridge name, all its pieces together (what a host folder can hold).
    static constexpr size_t kMaxNameBytes = 255;
    static constexpr size_t kRoot = 0;

    struct Entry {
        std::string name;     // UTF-8
        bool folder = false;  // a folder: Children(index) lists it
        uint64_t offset = 0;  // where the data starts in the image
        uint64_t size = 0;    // the data's length in bytes
        size_t index = 0;     // for folders: the folder index to pass to Children
        uint64_t serial = 0;  // unique per entry of the image, for the inode of OpenFile
    };

    // Reads the volume descriptors and the whole folder tree. Fails with one sentence
    // naming what is wrong, "it is not a disc image: ..." or "the disc image is damaged:
    // ..."; the caller puts the file's name before it.
    static base::Result<DiscImage> Open(InputFile image);

    DiscImage(DiscImage&&) noexcept = default;
    DiscImage& operator=(DiscImage&&) noexcept = default;
    DiscImage(const DiscImage&) = delete;
    DiscImage& operator=(const DiscImage&) = delete;

    // The entries of folder `folder` (no "." or ".."), in the order on the disc; none for
    // an index that is no folder's.
    const std::vector<Entry>& Children(size_t folder) const;
    size_t FolderCount() const { return folders_.size(); }
    // A file's data as a file of its own, with an inode no other entry's file has.
    InputFile OpenFile(const Entry& file) const;
    // The volume identifier without its padding (the Joliet one when Joliet names are read).
    std::string_view VolumeName() const { return volume_; }

    enum class Names { kPlain, kJoliet, kRockRidge };
    // Which names the tree was read with.
    Names NamesRead() const { return names_; }

  private:
    DiscImage() = default;
    friend class DiscReader;

    InputFile image_;
    std::vector<std::vector<Entry>> folders_;
    std::string volume_;
    Names names_ = Names::kPlain;
};

}  // namespace stagehand::host
