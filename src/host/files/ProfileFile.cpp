#include "host/files/ProfileFile.h"

#include <algorithm>
#include <string>

#include "host/files/TextEncoding.h"

namespace stagehand::host {

namespace {

constexpr uint32_t kNone = UINT32_MAX;
// Sections of at most this many lines are searched line by line: most sections are small,
// and an index of their keys would take more memory than their text.
constexpr uint32_t kScannedLines = 16;

// FNV-1a over the folded bytes, seeded with the scope (the section of a key).
uint64_t FoldedHash(std::string_view text, uint64_t scope) {
    uint64_t hash = 14695981039346656037ull ^ (scope * 0x9E3779B97F4A7C15ull);
    for (char c : text) {
        hash ^= static_cast<unsigned char>(FoldCase1252(c));
        hash *= 1099511628211ull;
    }
    // Final mix so the low bits, which pick the slot, depend on every byte.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    return hash;
}

// Walks the physical lines of a file, each cut at its first NUL as C strings are.
class LineSplitter {
  public:
    explicit LineSplitter(std::string_view bytes) : bytes_(bytes) {}

    bool Next(std::string_view& line) {
        if (pos_ >= bytes_.size()) {
            return false;
        }
        ++number_;
        // A plain scan: find_first_of would search the two-character set once per byte.
        size_t stop = pos_;
        while (stop < bytes_.size() && bytes_[stop] != '\n' && bytes_[stop] != '\r') {
            ++stop;
        }
        line = bytes_.substr(pos_, stop - pos_);
        line = line.substr(0, line.find('\0'));
        pos_ = stop;
        if (pos_ < bytes_.size()) {
            const bool crlf =
                bytes_[pos_] == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n';
            pos_ += crlf ? 2 : 1;
        }
        return true;
    }

    // The number of the line Next gave last, counting from 1. A file of kMaxParsedBytes
    // holds fewer lines than the type can count.
    uint32_t Number() const { return number_; }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
    uint32_t number_ = 0;
};

}  // namespace

std::string_view TrimProfileBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Open-addressing table of ids with linear probing, at most three quarters full. Each slot keeps 32
// bits of its id's hash, so growing and probing past other names never touch the names.
// The caller says when a stored id equals the one sought.
class ProfileIdTable {
  public:
    size_t MemoryBytes() const { return slots_.capacity() * sizeof(Slot); }

    void Reserve(size_t count) {
        size_t size = 8;
        while (size * 3 < count * 4) {
            size <<= 1;
        }
        slots_.assign(size, Slot{});
        count_ = 0;
    }

    template <typename Same>
    uint32_t Find(uint64_t hash, Same same) const {
        if (slots_.empty()) {
            return kNone;
        }
        const auto tag = static_cast<uint32_t>(hash);
        const size_t mask = slots_.size() - 1;
        for (size_t i = tag & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.id == kNone || (slot.tag == tag && same(slot.id))) {
                return slot.id;
            }
        }
    }

    // Adds id unless an equal id is stored; false when one was.
    template <typename Same>
    bool Insert(uint32_t id, uint64_t hash, Same same) {
        if (Find(hash, same) != kNone) {
            return false;
        }
        if ((count_ + 1) * 4 > slots_.size() * 3) {
            std::vector<Slot> old = std::move(slots_);
            slots_.assign(std::max<size_t>(8, old.size() * 2), Slot{});
            for (const Slot& slot : old) {
                if (slot.id != kNone) {
                    Place(slot);
                }
            }
        }
        Place(Slot{id, static_cast<uint32_t>(hash)});
        ++count_;
        return true;
    }

  private:
    struct Slot {
        uint32_t id = kNone;
        uint32_t tag = 0;
    };

    void Place(const Slot& slot) {
        const size_t mask = slots_.size() - 1;
        size_t i = slot.tag & mask;
        while (slots_[i].id != kNone) {
            i = (i + 1) & mask;
        }
        slots_[i] = slot;
    }

    std::vector<Slot> slots_;
    size_t count_ = 0;
};

struct ProfileLine {
    uint32_t offset;     // into ProfileStorage::text
    uint32_t length;     // without the '\0'
    uint32_t keyLength;  // kNone when the line has no key
    uint32_t number;     // the line's number in the file, from 1
};

struct ProfileStorage {
    std::string text;   // every kept line followed by '\0', section after section
    std::string names;  // the section names, back to back
    std::vector<ProfileLine> lines;
    std::vector<ProfileSection> sections;
    ProfileIdTable sectionsByName;
    ProfileIdTable firstLineByKey;  // scoped by section index

    std::string_view NameOf(uint32_t section) const {
        const ProfileSection& s = sections[section];
        return std::string_view(names).substr(s.nameOffset_, s.nameLength_);
    }
    std::string_view LineText(uint32_t line) const {
        return std::string_view(text).substr(lines[line].offset, lines[line].length);
    }
    std::string_view KeyOf(uint32_t line) const {
        return LineText(line).substr(0, lines[line].keyLength);
    }

    uint32_t FindSection(std::string_view name) const {
        return sectionsByName.Find(FoldedHash(name, 0), [&](uint32_t id) {
            return EqualsCaseBlind1252(NameOf(id), name);
        });
    }

    uint32_t FindKey(const ProfileSection& s, std::string_view key) const {
        if (s.lineCount_ <= kScannedLines) {
            for (uint32_t line = s.firstLine_; line - s.firstLine_ < s.lineCount_; ++line) {
                if (lines[line].keyLength != kNone && EqualsCaseBlind1252(KeyOf(line), key)) {
                    return line;
                }
            }
            return kNone;
        }
        return firstLineByKey.Find(FoldedHash(key, s.Index()), [&](uint32_t line) {
            return line >= s.firstLine_ && line - s.firstLine_ < s.lineCount_ &&
                   EqualsCaseBlind1252(KeyOf(line), key);
        });
    }

    void AddSection(std::string_view name, uint32_t& current) {
        const size_t nameOffset = names.size();
        names.append(name);
        const auto id = static_cast<uint32_t>(sections.size());
        const bool added = sectionsByName.Insert(id, FoldedHash(name, 0), [&](uint32_t other) {
            return EqualsCaseBlind1252(NameOf(other), name);
        });
        if (!added) {
            names.resize(nameOffset);
            current = kNone;
            return;
        }
        ProfileSection& s = sections.emplace_back();
        s.storage_ = this;
        s.nameOffset_ = static_cast<uint32_t>(nameOffset);
        s.nameLength_ = static_cast<uint32_t>(name.size());
        s.firstLine_ = static_cast<uint32_t>(lines.size());
        current = id;
    }

    // Stores `key=value` (key and value already trimmed) or a line without a key.
    void AddLine(uint32_t section, std::string_view key, std::string_view value, bool keyed,
                 uint32_t number) {
        const auto offset = static_cast<uint32_t>(text.size());
        text.append(key);
        if (keyed) {
            text.push_back('=');
            text.append(value);
        }
        const auto length = static_cast<uint32_t>(text.size() - offset);
        text.push_back('\0');
        lines.push_back(
            {offset, length, keyed ? static_cast<uint32_t>(key.size()) : kNone, number});
        ++sections[section].lineCount_;
    }

    // Indexes the first line of each key of each section, once all lines are in.
    void IndexKeys() {
        size_t keyed = 0;
        for (const ProfileSection& s : sections) {
            keyed += s.lineCount_ > kScannedLines ? s.lineCount_ : 0;
        }
        firstLineByKey.Reserve(keyed);
        for (const ProfileSection& s : sections) {
            if (s.lineCount_ <= kScannedLines) {
                continue;
            }
            for (uint32_t line = s.firstLine_; line - s.firstLine_ < s.lineCount_; ++line) {
                if (lines[line].keyLength == kNone) {
                    continue;
                }
                const std::string_view key = KeyOf(line);
                firstLineByKey.Insert(line, FoldedHash(key, s.Index()), [&](uint32_t other) {
                    return other >= s.firstLine_ && EqualsCaseBlind1252(KeyOf(other), key);
                });
            }
        }
    }
};

uint32_t ProfileSection::Index() const {
    return static_cast<uint32_t>(this - storage_->sections.data());
}

std::string_view ProfileSection::Name() const {
    return storage_->NameOf(Index());
}

std::string_view ProfileSection::Text() const {
    if (lineCount_ == 0) {
        return {};
    }
    const ProfileLine& first = storage_->lines[firstLine_];
    const ProfileLine& last = storage_->lines[firstLine_ + lineCount_ - 1];
    return std::string_view(storage_->text)
        .substr(first.offset, last.offset + last.length + 1 - first.offset);
}

std::string_view ProfileSection::Line(size_t index) const {
    if (index >= lineCount_) {
        return {};
    }
    return storage_->LineText(firstLine_ + static_cast<uint32_t>(index));
}

std::optional<std::string_view> ProfileSection::LineKey(size_t index) const {
    if (index >= lineCount_ || storage_->lines[firstLine_ + index].keyLength == kNone) {
        return std::nullopt;
    }
    return storage_->KeyOf(firstLine_ + static_cast<uint32_t>(index));
}

std::optional<std::string_view> ProfileSection::FindValue(std::string_view key,
                                                          uint32_t* number) const {
    const uint32_t line = storage_->FindKey(*this, key);
    if (line == kNone) {
        return std::nullopt;
    }
    if (number != nullptr) {
        *number = storage_->lines[line].number;
    }
    return storage_->LineText(line).substr(storage_->lines[line].keyLength + 1);
}

ProfileFile::ProfileFile() : storage_(std::make_unique<ProfileStorage>()) {}
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;
ProfileFile::~ProfileFile() = default;

ProfileFile ProfileFile::Parse(std::string_view bytes) {
    ProfileFile file;
    ProfileStorage& storage = *file.storage_;
    bytes = bytes.substr(0, kMaxParsedBytes);
    std::string_view raw;
    // Kept lines never outgrow the input: each loses its line end and gains one '\0'.
    storage.text.reserve(bytes.size() + 1);
    // Headers and other lines counted first, so that each array is allocated once at its
    // size instead of growing by doubling (and then copied to size) on a file of many lines.
    size_t headers = 0;
    size_t others = 0;
    for (LineSplitter counter(bytes); counter.Next(raw);) {
        const std::string_view line = TrimProfileBlanks(raw);
        if (!line.empty()) {
            ++(line.front() == '[' && line.find(']') != line.npos ? headers : others);
        }
    }
    storage.sections.reserve(headers);
    storage.sectionsByName.Reserve(headers);
    storage.lines.reserve(others);
    // Lines go to the current section; none before the first header and while inside a
    // section whose name was already seen.
    uint32_t current = kNone;
    LineSplitter splitter(bytes);
    while (splitter.Next(raw)) {
        const std::string_view line = TrimProfileBlanks(raw);
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close != line.npos) {
                storage.AddSection(TrimProfileBlanks(line.substr(1, close - 1)), current);
                continue;
            }
        }
        if (current == kNone) {
            continue;
        }
        const size_t equals = line.find('=');
        if (line.front() == ';' || equals == line.npos) {
            storage.AddLine(current, line, {}, false, splitter.Number());
        } else {
            storage.AddLine(current, TrimProfileBlanks(line.substr(0, equals)),
                            TrimProfileBlanks(line.substr(equals + 1)), true, splitter.Number());
        }
    }
    storage.IndexKeys();
    // Growing left up to half of each buffer unused.
    storage.text.shrink_to_fit();
    storage.names.shrink_to_fit();
    storage.lines.shrink_to_fit();
    storage.sections.shrink_to_fit();
    return file;
}

const ProfileSection* ProfileFile::FindSection(std::string_view name) const {
    if (!storage_) {
        return nullptr;
    }
    const uint32_t id = storage_->FindSection(name);
    return id == kNone ? nullptr : &storage_->sections[id];
}

size_t ProfileFile::MemoryBytes() const {
    if (!storage_) {
        return 0;
    }
    const ProfileStorage& s = *storage_;
    return sizeof(ProfileStorage) + s.text.capacity() + s.names.capacity() +
           s.lines.capacity() * sizeof(ProfileLine) +
           s.sections.capacity() * sizeof(ProfileSection) + s.sectionsByName.MemoryBytes() +
           s.firstLineByKey.MemoryBytes();
}

const std::vector<ProfileSection>& ProfileFile::Sections() const {
    static const std::vector<ProfileSection> kNoSections;
    return storage_ ? storage_->sections : kNoSections;
}

}  // namespace stagehand::host
