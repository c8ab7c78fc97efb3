#include "host/files/SettingsFile.h"

#include "host/files/File.h"
#include "host/files/FileReplacement.h"
#include "host/files/ProfileFile.h"
#include "host/files/TextEncoding.h"
#include "host/files/UserFolders.h"

namespace stagehand::host {
namespace fs = std::filesystem;

fs::path SettingsFile::DefaultPath() {
    return UserSettingsFolder() / kFileName;
}

base::Result<std::string> SettingsFile::Read(const fs::path& file) {
    FileBytes read = ReadFile(file, kMaxBytes);
    if (read.Read()) {
        return std::move(read.bytes);
    }
    if (read.fault == FileFault::kMissing) {
        return std::string();
    }
    return base::Failure(read.reason);
}

base::Result<bool> SettingsFile::Update(const fs::path& file, const Edit& edit) {
    base::Result<std::string> text = Read(file);
    if (!text) {
        return base::Failure("cannot read " + file.string() + ": " + text.error());
    }
    const std::string edited = edit(*text);
    if (edited == *text) {
        return false;
    }
    if (base::Result<void> made = MakePrivateFolders(file.parent_path(), "the settings folder");
        !made) {
        return made.failure();
    }
    if (base::Result<void> written = ReplaceFile(file, edited); !written) {
        return written.failure();
    }
    return true;
}

std::string SettingsFile::WithValue(std::string_view text, std::string_view section,
                                    std::string_view key, std::string_view value) {
    const std::string line = std::string(key) + "=" + std::string(value);
    // Walks the lines: where the section starts, where its last line ends, and the key's line.
    bool inSection = false;
    bool seen = false;
    size_t sectionEnd = std::string_view::npos;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view raw = text.substr(start, end - start);
        if (raw.ends_with('\r')) {
            raw.remove_suffix(1);
        }
        const std::string_view trimmed = TrimProfileBlanks(raw);
        if (trimmed.starts_with('[')) {
            if (inSection) {
                break;  // the section ended before the key was found
            }
            const std::string_view name =
                TrimProfileBlanks(trimmed.substr(1, trimmed.find(']') - 1));
            inSection = !seen && EqualsCaseBlind1252(name, section);
            seen = seen || inSection;
            if (inSection) {
                sectionEnd = next;
            }
        } else if (inSection && !trimmed.empty()) {
            const size_t equals = trimmed.find('=');
            if (equals != std::string_view::npos &&
                EqualsCaseBlind1252(TrimProfileBlanks(trimmed.substr(0, equals)), key)) {
                return std::string(text.substr(0, start)) + line +
                       std::string(text.substr(start + raw.size()));
            }
            sectionEnd = next;
        }
        start = next;
    }
    std::string made(text);
    if (sectionEnd == std::string_view::npos) {
        if (!made.empty() && made.back() != '\n') {
            made += '\n';
        }
        if (!made.empty()) {
            made += '\n';
        }
        return made + "[" + std::string(section) + "]\n" + line + "\n";
    }
    if (sectionEnd == made.size() && !made.empty() && made.back() != '\n') {
        made += '\n';
        ++sectionEnd;
    }
    return made.insert(sectionEnd, line + "\n");
}

}  // namespace stagehand::host
