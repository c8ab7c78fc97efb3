#include "host/disc/DiscImage.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <unordered_set>
#include <utility>

#include "host/files/TextEncoding.h"

namespace stagehand::host {

namespace {

// Volume descriptors and folder records are laid out in sectors of 2048 bytes, whatever
// the block size that extents are counted in.
constexpr uint64_t kSector = 2048;
constexpr uint64_t kFirstDescriptor = 16;
constexpr size_t kRecordFixed = 33;  // a folder record before its name

// Folder record flags.
constexpr uint8_t kFolderFlag = 0x02;
constexpr uint8_t kAssociatedFlag = 0x04;
constexpr uint8_t kMoreExtentsFlag = 0x80;

// The inode of a file inside the image: a high bit no real file has, a part of the image's
// own inode and the entry's serial.
constexpr int kSerialBits = 19;
static_assert(DiscImage::kMaxEntries < (size_t{1} << kSerialBits));

uint8_t Byte(std::string_view bytes, size_t at) {
    return static_cast<uint8_t>(bytes[at]);
}

uint16_t Le16(std::string_view bytes, size_t at) {
    return static_cast<uint16_t>(Byte(bytes, at) | Byte(bytes, at + 1) << 8);
}

uint32_t Le32(std::string_view bytes, size_t at) {
    return uint32_t{Le16(bytes, at)} | uint32_t{Le16(bytes, at + 2)} << 16;
}

base::Failure Damaged(std::string_view what) {
    return base::Failure("the disc image is damaged: " + std::string(what));
}

base::Failure NotADisc(std::string_view what) {
    return base::Failure("it is not a disc image: " + std::string(what));
}

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF).
bool IsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const uint8_t lead = Byte(text, i);
        size_t more = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            c = lead & 0x07;
        } else {
            return false;
        }
        if (more >= text.size() - i) {
            return false;
        }
        for (size_t k = 1; k <= more; ++k) {
            const uint8_t next = Byte(text, i + k);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            c = c << 6 | (next & 0x3F);
        }
        const char32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Joliet text: UTF-16 big-endian (surrogate pairs read, a lone one as U+FFFD, an odd last
// byte dropped).
std::string FromUtf16Be(std::string_view bytes) {
    std::string out;
    const size_t units = bytes.size() / 2;
    for (size_t i = 0; i < units; ++i) {
        const char32_t unit = char32_t{Byte(bytes, 2 * i)} << 8 | Byte(bytes, 2 * i + 1);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char32_t low = char32_t{Byte(bytes, 2 * i + 2)} << 8 | Byte(bytes, 2 * i + 3);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
    return out;
}

// Name bytes of no declared encoding: UTF-8 when they are, else Windows-1252.
std::string TextName(std::string_view bytes) {
    return IsUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

// Takes ";1" (any version number) off a file name.
void StripVersion(std::string& name) {
    const size_t semicolon = name.rfind(';');
    if (semicolon != std::string::npos &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(semicolon) + 1, name.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
        name.erase(semicolon);
    }
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) {
        text.pop_back();
    }
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// A name the title path resolver can take as one part of a path.
bool Acceptable(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// One folder record as it lies in a folder's bytes.
struct Record {
    uint32_t block = 0;
    uint32_t length = 0;
    uint8_t flags = 0;
    bool interleaved = false;
    std::string_view name;
    std::string_view systemUse;
};

base::Result<Record> ParseRecord(std::string_view bytes) {
    const size_t nameLength = bytes.size() > kRecordFixed ? Byte(bytes, 32) : 0;
    if (bytes.size() < kRecordFixed + 1 || kRecordFixed + nameLength > bytes.size() ||
        nameLength == 0) {
        return Damaged("a folder record is shorter than its name");
    }
    Record record;
    // Extents and lengths are kept twice, little- and big-endian; the little-endian half is
    // read (some mastering tools wrote the other one wrong).
    record.block = Le32(bytes, 2);
    record.length = Le32(bytes, 10);
    record.flags = Byte(bytes, 25);
    record.interleaved = Byte(bytes, 26) != 0 || Byte(bytes, 27) != 0;
    record.name = bytes.substr(kRecordFixed, nameLength);
    // A name of even length is followed by a padding byte, then the system use area.
    const size_t used = kRecordFixed + nameLength + (nameLength % 2 == 0 ? 1 : 0);
    record.systemUse = used < bytes.size() ? bytes.substr(used) : std::string_view();
    return record;
}

bool IsSelfOrParent(const Record& record) {
    return record.name.size() == 1 && (record.name[0] == '\0' || record.name[0] == '\1');
}

// What the system use area of one record says, as far as reading the tree needs.
struct SystemUse {
    bool sharing = false;  // "SP": the area layout is in use, with `skip` bytes before it
    uint8_t skip = 0;
    bool rockRidge = false;  // any Rock Ridge entry
    bool hasName = false;
    bool nameClosed = false;
    bool nameTooLong = false;
    std::string name;
    bool link = false;              // a symbolic link
    bool relocated = false;         // "RE": the folder's real place is elsewhere
    std::optional<uint32_t> child;  // "CL": the block of the relocated folder this stands for
};

}  // namespace

// Reads the descriptors and walks the tree into a DiscImage.
class DiscReader {
  public:
    explicit DiscReader(DiscImage& disc) : disc_(disc), size_(disc.image_.Size()) {}

    base::Result<void> Run() {
        if (size_ < (kFirstDescriptor + 1) * kSector) {
            return NotADisc("it is too short to hold a volume descriptor");
        }
        std::string primary;
        std::string joliet;
        std::string descriptor;
        bool terminated = false;
        for (size_t i = 0; i < DiscImage::kMaxDescriptors && !terminated; ++i) {
            const uint64_t at = (kFirstDescriptor + i) * kSector;
            if (at + kSector > size_) {
                return Damaged("its volume descriptors end before their terminator");
            }
            if (auto read = Read(at, kSector, descriptor); !read) {
                return read;
            }
            if (descriptor.compare(1, 5, "CD001") != 0) {
                return i == 0 ? NotADisc("it has no volume descriptor at sector 16")
                              : Damaged(FormatText("volume descriptor %u lacks its CD001 mark",
                                                   {uint64_t{i + 1}}));
            }
            const uint8_t type = Byte(descriptor, 0);
            const uint8_t version = Byte(descriptor, 6);
            if (type == 255) {
                terminated = true;
            } else if (type == 1 && primary.empty()) {
                if (version != 1) {
                    return Damaged(FormatText("its primary volume descriptor has version %u",
                                              {uint32_t{version}}));
                }
                primary = descriptor;
            } else if (type == 2 && version == 1 && joliet.empty() &&
                       (descriptor.compare(88, 3, "%/@") == 0 ||
                        descriptor.compare(88, 3, "%/C") == 0 ||
                        descriptor.compare(88, 3, "%/E") == 0)) {
                joliet = descriptor;
            }
        }
        if (!terminated) {
            return Damaged("it has more than 64 volume descriptors");
        }
        if (primary.empty()) {
            return NotADisc("it has no primary volume descriptor");
        }

        if (auto root = Root(primary); !root) {
            return root;
        }
        auto rockRidge = RootHasRockRidge();
        if (!rockRidge) {
            return rockRidge.failure();
        }
        if (*rockRidge) {
            disc_.names_ = DiscImage::Names::kRockRidge;
        } else if (!joliet.empty()) {
            disc_.names_ = DiscImage::Names::kJoliet;
            if (auto root = Root(joliet); !root) {
                return root;
            }
        }
        disc_.volume_ = disc_.names_ == DiscImage::Names::kJoliet
                            ? Trimmed(FromUtf16Be(std::string_view(joliet).substr(40, 32)))
                            : Trimmed(TextName(std::string_view(primary).substr(40, 32)));

        disc_.folders_.clear();
        disc_.folders_.emplace_back();
        visited_.insert(root_.offset);
        pending_.push_back({DiscImage::kRoot, root_.offset, root_.length, 0});
        while (!pending_.empty()) {
            const Pending folder = pending_.front();
            pending_.pop_front();
            if (auto read = ReadFolder(folder); !read) {
                return read;
            }
        }
        return {};
    }

  private:
    struct Pending {
        size_t index = 0;
        uint64_t offset = 0;
        uint64_t length = 0;
        size_t depth = 0;
    };

    // Exactly `count` bytes at `offset`, all inside the image (the caller has checked).
    base::Result<void> Read(uint64_t offset, size_t count, std::string& out) {
        if (auto read = disc_.image_.ReadSpan(offset, count, out); !read) {
            return base::Failure("the disc image could not be read: " + read.error());
        }
        if (out.size() != count) {
            return Damaged("it ended while it was read");
        }
        return {};
    }

    bool Inside(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    // Charges bytes about to be read for the tree to the image's budget.
    base::Result<void> Charge(uint64_t bytes) {
        total_ += bytes;
        if (total_ > DiscImage::kMaxTotalFolderBytes) {
            return Damaged("its folders hold more than 64 MiB of records");
        }
        return {};
    }

    // The root folder of a volume descriptor, and the block size its extents count in.
    base::Result<void> Root(std::string_view descriptor) {
        block_ = Le16(descriptor, 128);
        if (block_ != 512 && block_ != 1024 && block_ != 2048) {
            return Damaged(FormatText("its block size is %u bytes", {uint32_t{block_}}));
        }
        const std::string_view bytes = descriptor.substr(156, 34);
        auto record = ParseRecord(bytes.substr(0, std::min<size_t>(Byte(bytes, 0), 34)));
        if (!record || (record->flags & kFolderFlag) == 0) {
            return Damaged("its root folder record is not a folder's");
        }
        root_ = {DiscImage::kRoot, uint64_t{record->block} * block_, record->length, 0};
        if (root_.length > DiscImage::kMaxFolderBytes || !Inside(root_.offset, root_.length)) {
            return Damaged("its root folder lies outside the image");
        }
        return {};
    }

    // Rock Ridge names are read when the root's "." record opens the system use layout
    // ("SP") and carries a Rock Ridge entry. A root without its "." record says no here and
    // is refused when its folder is read.
    base::Result<bool> RootHasRockRidge() {
        std::string bytes;
        const size_t length = static_cast<size_t>(std::min<uint64_t>(root_.length, kSector));
        if (auto read = Read(root_.offset, length, bytes); !read) {
            return read.failure();
        }
        if (bytes.empty() || Byte(bytes, 0) > bytes.size()) {
            return false;
        }
        auto self = ParseRecord(std::string_view(bytes).substr(0, Byte(bytes, 0)));
        if (!self || !IsSelfOrParent(*self)) {
            return false;
        }
        SystemUse use;
        if (auto read = ReadSystemUse(self->systemUse, use); !read) {
            return read.failure();
        }
        skip_ = use.skip;
        return use.sharing && use.rockRidge;
    }

    // Reads a record's system use area and the continuation areas it leads to.
    base::Result<void> ReadSystemUse(std::string_view area, SystemUse& use) {
        std::string continued;
        for (size_t areas = 0;; ++areas) {
            struct Continuation {
                uint32_t block, offset, length;
            };
            std::optional<Continuation> next;
            size_t at = 0;
            while (at + 4 <= area.size()) {
                const std::string_view signature = area.substr(at, 2);
                const size_t length = Byte(area, at + 2);
                if (length < 4 || length > area.size() - at) {
                    break;  // padding, or an entry cut short: the area ends here
                }
                const std::string_view entry = area.substr(at, length);
                at += length;
                if (signature == "ST") {
                    break;
                } else if (signature == "SP" && length >= 7 && Byte(entry, 4) == 0xBE &&
                           Byte(entry, 5) == 0xEF) {
                    use.sharing = true;
                    use.skip = Byte(entry, 6);
                } else if (signature == "CE" && length >= 28) {
                    next = Continuation{Le32(entry, 4), Le32(entry, 12), Le32(entry, 20)};
                } else if (signature == "NM" && length >= 5) {
                    use.rockRidge = true;
                    // Pieces are joined while each says another follows; "." and ".."
                    // names are not names of an entry.
                    if ((Byte(entry, 4) & 0x06) == 0 && !use.nameClosed) {
                        use.hasName = true;
                        use.name.append(entry.substr(5));
                        use.nameClosed = (Byte(entry, 4) & 0x01) == 0;
                        if (use.name.size() > DiscImage::kMaxNameBytes) {
                            use.nameTooLong = true;
                            use.nameClosed = true;
                        }
                    }
                } else if (signature == "PX" && length >= 12) {
                    use.rockRidge = true;
                    use.link = use.link || (Le32(entry, 4) & 0170000) == 0120000;
                } else if (signature == "SL") {
                    use.rockRidge = true;
                    use.link = true;
                } else if (signature == "RE") {
                    use.rockRidge = true;
                    use.relocated = true;
                } else if (signature == "CL" && length >= 12) {
                    use.rockRidge = true;
                    use.child = Le32(entry, 4);
                } else if (signature == "RR" || signature == "ER" || signature == "TF") {
                    use.rockRidge = true;
                }
            }
            if (!next) {
                return {};
            }
            if (areas == DiscImage::kMaxContinuations) {
                return Damaged("a record has more than 16 continuation areas");
            }
            if (next->length > DiscImage::kMaxContinuationBytes) {
                return Damaged("a continuation area is longer than 64 KiB");
            }
            const uint64_t offset = uint64_t{next->block} * block_ + next->offset;
            if (!Inside(offset, next->length)) {
                return Damaged("a continuation area lies outside the image");
            }
            if (auto charged = Charge(next->length); !charged) {
                return charged;
            }
            if (auto read = Read(offset, next->length, continued); !read) {
                return read;
            }
            area = continued;
        }
    }

    // The length of a relocated folder, from its own "." record.
    base::Result<uint64_t> RelocatedLength(uint64_t offset) {
        std::string bytes;
        if (!Inside(offset, kRecordFixed + 1)) {
            return Damaged("a relocated folder lies outside the image");
        }
        const size_t length = static_cast<size_t>(std::min<uint64_t>(size_ - offset, 255));
        if (auto charged = Charge(length); !charged) {
            return charged.failure();
        }
        if (auto read = Read(offset, length, bytes); !read) {
            return read.failure();
        }
        auto self = ParseRecord(std::string_view(bytes).substr(0, Byte(bytes, 0)));
        if (!self || !IsSelfOrParent(*self)) {
            return Damaged("a relocated folder does not start with its own record");
        }
        return uint64_t{self->length};
    }

    base::Result<void> ReadFolder(const Pending& folder) {
        if (folder.length > DiscImage::kMaxFolderBytes) {
            return Damaged("a folder holds more than 4 MiB of records");
        }
        if (!Inside(folder.offset, folder.length)) {
            return Damaged("a folder lies outside the image");
        }
        if (auto charged = Charge(folder.length); !charged) {
            return charged;
        }
        std::string bytes;
        if (auto read = Read(folder.offset, static_cast<size_t>(folder.length), bytes); !read) {
            return read;
        }
        const std::string_view records = bytes;
        const bool rockRidge = disc_.names_ == DiscImage::Names::kRockRidge;
        std::vector<DiscImage::Entry> entries;
        std::unordered_set<std::string> names;
        bool inMultiExtent = false;
        size_t at = 0;
        while (at < records.size()) {
            const size_t sectorEnd = std::min<size_t>(records.size(), (at / kSector + 1) * kSector);
            const size_t length = Byte(records, at);
            if (length == 0) {
                at = sectorEnd;  // the rest of the sector is padding
                continue;
            }
            if (length > sectorEnd - at) {
                return Damaged("a folder record runs past the end of its sector");
            }
            auto record = ParseRecord(records.substr(at, length));
            if (!record) {
                return record.failure();
            }
            at += length;
            // A file of several extents: every record but the last says more follow.
            const bool moreExtents = (record->flags & kMoreExtentsFlag) != 0;
            const bool partOfMultiExtent = moreExtents || inMultiExtent;
            inMultiExtent = moreExtents;
            if (partOfMultiExtent || IsSelfOrParent(*record) ||
                (record->flags & kAssociatedFlag) != 0 || record->interleaved) {
                continue;
            }

            DiscImage::Entry entry;
            entry.folder = (record->flags & kFolderFlag) != 0;
            uint64_t block = record->block;
            uint64_t size = record->length;
            if (rockRidge) {
                SystemUse use;
                const std::string_view area =
                    record->systemUse.substr(std::min<size_t>(skip_, record->systemUse.size()));
                if (auto read = ReadSystemUse(area, use); !read) {
                    return read;
                }
                if (use.link || use.relocated || use.nameTooLong) {
                    continue;
                }
                if (use.child) {
                    entry.folder = true;
                    block = *use.child;
                    auto relocated = RelocatedLength(block * block_);
                    if (!relocated) {
                        return relocated.failure();
                    }
                    size = *relocated;
                }
                if (use.hasName) {
                    entry.name = TextName(use.name);
                }
            }
            if (entry.name.empty()) {
                if (disc_.names_ == DiscImage::Names::kJoliet) {
                    entry.name = FromUtf16Be(record->name);
                    StripVersion(entry.name);
                } else {
                    entry.name = TextName(record->name);
                    StripVersion(entry.name);
                    if (entry.name.size() > 1 && entry.name.back() == '.' &&
                        entry.name[entry.name.size() - 2] != '.') {
                        entry.name.pop_back();
                    }
                }
            }
            if (!Acceptable(entry.name) || names.count(entry.name) != 0) {
                continue;
            }
            entry.offset = block * block_;
            entry.size = size;
            if (!entry.folder && entry.size == 0) {
                entry.offset = std::min(entry.offset, size_);  // no data, wherever it says
            } else if (!entry.folder && !Inside(entry.offset, entry.size)) {
                continue;  // its data lies past the end of the image
            }
            if (count_ == DiscImage::kMaxEntries) {
                return Damaged("it holds more than 200000 entries");
            }
            entry.serial = ++count_;
            if (entry.folder) {
                if (folder.depth == DiscImage::kMaxDepth) {
                    return Damaged("its folders nest deeper than 64");
                }
                // An empty extent holds no records and so cannot lead back to itself.
                if (entry.size > 0 && !visited_.insert(entry.offset).second) {
                    return Damaged("a folder is reached twice, as if it held itself");
                }
                entry.index = disc_.folders_.size();
                disc_.folders_.emplace_back();
                pending_.push_back({entry.index, entry.offset, entry.size, folder.depth + 1});
            }
            names.insert(entry.name);
            entries.push_back(std::move(entry));
        }
        disc_.folders_[folder.index] = std::move(entries);
        return {};
    }

    DiscImage& disc_;
    const uint64_t size_;
    uint32_t block_ = 2048;
    uint8_t skip_ = 0;
    Pending root_;
    uint64_t total_ = 0;
    size_t count_ = 0;
    std::unordered_set<uint64_t> visited_;
    std::deque<Pending> pending_;
};

base::Result<DiscImage> DiscImage::Open(InputFile image) {
    if (!image.IsOpen()) {
        return base::Failure(image.Reason());
    }
    DiscImage disc;
    disc.image_ = std::move(image);
    DiscReader reader(disc);
    if (auto read = reader.Run(); !read) {
        return read.failure();
    }
    return disc;
}

const std::vector<DiscImage::Entry>& DiscImage::Children(size_t folder) const {
    static const std::vector<Entry> kNone;
    return folder < folders_.size() ? folders_[folder] : kNone;
}

InputFile DiscImage::OpenFile(const Entry& file) const {
    if (file.folder) {
        return InputFile::Missing();
    }
    constexpr uint64_t kImagePart = (uint64_t{1} << (63 - kSerialBits)) - 1;
    const uint64_t inode = uint64_t{1} << 63 | (image_.Stamp().inode & kImagePart) << kSerialBits |
                           (file.serial & ((uint64_t{1} << kSerialBits) - 1));
    return InputFile::Slice(image_, file.offset, file.size, inode);
}

}  // namespace stagehand::host
