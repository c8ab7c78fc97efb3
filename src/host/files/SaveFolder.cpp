#include "host/files/SaveFolder.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

#include "host/files/FileReplacement.h"
#include "host/files/TextEncoding.h"
#include "host/files/TitleNames.h"
#include "host/files/UserFolders.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxKeyNameBytes = 48;

bool KeptInKey(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
           c == '.' || c == '_' || c == '-';
}

// 64-bit FNV-1a: stable across machines and builds, which is all a folder name needs.
uint64_t Hash(std::string_view bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// Folded text (FoldCase1252's capitals) in small letters, so saves have the names people
// expect of files: A-Z, the accented capitals and the three capitals of 0x8A-0x9F.
std::string LowerCase1252(std::string text) {
    for (char& c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
            c = static_cast<char>(b + 0x20);
        } else if (b == 0x8A || b == 0x8C || b == 0x8E) {
            c = static_cast<char>(b + 0x10);
        } else if (b == 0x9F) {
            c = static_cast<char>(0xFF);
        }
    }
    return text;
}

}  // namespace

SaveFolder::SaveFolder(std::function<fs::path()> folder, SaveLimits limits)
    : where_(std::move(folder)), limits_(limits) {}

std::string SaveFolder::TitleKey(std::string_view windowName1252, std::string_view rolesBytes) {
    std::string name;
    for (const char c : windowName1252) {
        if (name.size() == kMaxKeyNameBytes) {
            break;
        }
        name.push_back(KeptInKey(c) ? c : '_');
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) {
        name.pop_back();
    }
    while (!name.empty() && (name.front() == ' ' || name.front() == '.')) {
        name.erase(name.begin());
    }
    if (name.empty()) {
        name = "title";
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx",
                  static_cast<unsigned long long>(Hash(rolesBytes)));
    return name + "-" + std::string(digits, 12);
}

fs::path SaveFolder::DefaultFolder(std::string_view titleKey) {
    return UserDataFolder() / "saves" / std::string(titleKey);
}

base::Result<std::string> SaveFolder::SaveName(std::string_view titleName) {
    const std::string_view last = SplitLast(TitleRelative(titleName)).second;
    for (const char c : last) {
        if (IsForbiddenInName(c)) {
            return base::Failure("the name holds characters a file name may not hold");
        }
    }
    const std::string_view stripped = StripTrailingDotsAndBlanks(last);
    if (stripped.empty()) {
        return base::Failure("the name names no file");
    }
    const std::string folded = FoldCase1252(stripped);
    if (folded == FoldCase1252("roles.mii") || folded == FoldCase1252("msg.mii")) {
        return base::Failure("the title's script files are never written");
    }
    return Cp1252ToUtf8(LowerCase1252(folded));
}

const fs::path& SaveFolder::Folder() const {
    if (!folder_) {
        folder_ = where_ ? where_() : fs::path();
    }
    return *folder_;
}

InputFile SaveFolder::Open(std::string_view titleName) const {
    const base::Result<std::string> name = SaveName(titleName);
    if (!name || Folder().empty()) {
        return InputFile::Missing();
    }
    return InputFile::Open(Folder() / *name);
}

base::Result<void> SaveFolder::Write(std::string_view titleName, std::string_view bytes) const {
    base::Result<std::string> name = SaveName(titleName);
    if (!name) {
        return name.failure();
    }
    if (Folder().empty()) {
        return base::Failure("there is no save folder");
    }
    if (base::Result<void> made = MakePrivateFolders(Folder(), "the save folder"); !made) {
        return made;
    }
    // A save that already holds these bytes stays as it is: a title saving the same thing at
    // every tick of a timer costs a read, not a new file made safe on the disk each time.
    if (const FileBytes held = ReadFile(InputFile::Open(Folder() / *name), bytes.size() + 1);
        held.Read() && held.bytes == bytes) {
        return {};
    }
    // What the folder holds besides the save being replaced, counted up to the bounds.
    size_t others = 0;
    uint64_t total = bytes.size();
    std::error_code ec;
    for (fs::directory_iterator it(Folder(), ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename() == *name || !it->is_regular_file(ec)) {
            continue;
        }
        total += it->file_size(ec);
        if (++others >= limits_.saves || total > limits_.totalBytes) {
            break;
        }
    }
    if (others >= limits_.saves) {
        return base::Failure("the title already keeps " + std::to_string(limits_.saves) +
                             " saves, the most it may");
    }
    if (total > limits_.totalBytes) {
        return base::Failure("the title's saves would take more than " +
                             std::to_string(limits_.totalBytes) + " bytes");
    }
    return ReplaceFile(Folder() / *name, bytes);
}

}  // namespace stagehand::host
