#include "check/TitleFile.h"

#include "host/files/File.h"
#include "host/files/ProfileReader.h"
#include "host/files/TextEncoding.h"

namespace stagehand::check {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// The bounds of `text` without blanks at either end, as offsets into it.
std::pair<size_t, size_t> TrimmedRange(std::string_view text, size_t begin, size_t end) {
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return {begin, end};
}

std::string_view Trim(std::string_view text) {
    const auto [begin, end] = TrimmedRange(text, 0, text.size());
    return text.substr(begin, end - begin);
}

}  // namespace

bool TitleFile::Load(const std::filesystem::path& path, std::string& reason) {
    host::FileBytes file = host::ReadFile(path, host::ProfileReader::kMaxFileBytes);
    if (!file.Read()) {
        reason = file.fault == host::FileFault::kTooLarge
                     ? "it is larger than the " +
                           std::to_string(host::ProfileReader::kMaxFileBytes >> 20) +
                           " MiB the player reads"
                     : file.reason;
        return false;
    }
    bytes_ = std::move(file.bytes);
    Index();
    return true;
}

void TitleFile::Index() {
    const std::string_view bytes = bytes_;
    bool inSection = false;
    uint32_t number = 0;
    size_t pos = 0;
    while (pos < bytes.size()) {
        // One physical line: it ends at LF, CR or CRLF and is cut at its first NUL.
        size_t stop = pos;
        while (stop < bytes.size() && bytes[stop] != '\n' && bytes[stop] != '\r') {
            ++stop;
        }
        const size_t next = stop < bytes.size() && bytes[stop] == '\r' && stop + 1 < bytes.size() &&
                                    bytes[stop + 1] == '\n'
                                ? stop + 2
                                : stop + 1;
        ++number;
        size_t end = bytes.find('\0', pos);
        end = end == std::string_view::npos || end > stop ? stop : end;
        const auto [begin, last] = TrimmedRange(bytes, pos, end);
        pos = next;
        if (begin == last) {
            continue;
        }
        const std::string_view line = bytes.substr(begin, last - begin);
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close != std::string_view::npos) {
                const std::string_view name = Trim(line.substr(1, close - 1));
                inSection = false;
                if (sections_.size() >= kMaxSections) {
                    truncated_ = true;
                    return;
                }
                const auto [at, added] = byName_.try_emplace(
                    host::FoldCase1252(name), static_cast<uint32_t>(sections_.size()));
                if (added) {
                    sections_.push_back({name, number, static_cast<uint32_t>(lines_.size()), 0});
                    inSection = true;
                }
                continue;
            }
        }
        if (!inSection) {
            continue;
        }
        if (lines_.size() >= kMaxLines) {
            truncated_ = true;
            return;
        }
        const size_t equals = line.find('=');
        lines_.push_back(
            {number, static_cast<uint32_t>(begin), static_cast<uint32_t>(line.size()),
             equals == std::string_view::npos ? kNoEquals : static_cast<uint32_t>(equals)});
        ++sections_.back().lineCount;
    }
}

std::span<const TitleFile::Line> TitleFile::LinesOf(const Section& section) const {
    return std::span<const Line>(lines_).subspan(section.firstLine, section.lineCount);
}

const TitleFile::Section* TitleFile::Find(std::string_view name) const {
    const auto found = byName_.find(host::FoldCase1252(name));
    return found == byName_.end() ? nullptr : &sections_[found->second];
}

std::string_view TitleFile::Text(const Line& line) const {
    return std::string_view(bytes_).substr(line.offset, line.length);
}

std::string_view TitleFile::Key(const Line& line) const {
    if (line.equals == kNoEquals) {
        return {};
    }
    return Trim(Text(line).substr(0, line.equals));
}

}  // namespace stagehand::check
