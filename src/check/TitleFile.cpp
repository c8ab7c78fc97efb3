#include "check/TitleFile.h"

#include <algorithm>

#include "host/files/File.h"
#include "host/files/ProfileFile.h"
#include "host/files/ProfileReader.h"
#include "host/files/TextEncoding.h"

namespace stagehand::check {

base::Result<void> TitleFile::Load(host::InputFile opened) {
    host::FileBytes file = host::ReadFile(std::move(opened), host::ProfileReader::kMaxFileBytes);
    if (!file.Read()) {
        return base::Failure(file.fault == host::FileFault::kTooLarge
                                 ? "it is larger than the " +
                                       std::to_string(host::ProfileReader::kMaxFileBytes >> 20) +
                                       " MiB the player reads"
                                 : file.reason);
    }
    bytes_ = std::move(file.bytes);
    Index();
    return {};
}

void TitleFile::Index() {
    const std::string_view bytes = bytes_;
    bool inSection = false;
    uint32_t number = 0;
    size_t pos = 0;
    while (pos < bytes.size()) {
        // One physical line: it ends at LF, CR or CRLF and is cut at its first NUL. Both
        // are found in one scan of the line itself, so the file is read once in all.
        size_t stop = pos;
        size_t end = std::string_view::npos;
        while (stop < bytes.size() && bytes[stop] != '\n' && bytes[stop] != '\r') {
            if (bytes[stop] == '\0' && end == std::string_view::npos) {
                end = stop;
            }
            ++stop;
        }
        const size_t next = stop < bytes.size() && bytes[stop] == '\r' && stop + 1 < bytes.size() &&
                                    bytes[stop + 1] == '\n'
                                ? stop + 2
                                : stop + 1;
        ++number;
        scanned_ += std::min(next, bytes.size()) - pos;
        end = end == std::string_view::npos ? stop : end;
        const std::string_view line = host::TrimProfileBlanks(bytes.substr(pos, end - pos));
        const auto begin = static_cast<size_t>(line.data() - bytes.data());
        pos = next;
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close != std::string_view::npos) {
                const std::string_view name = host::TrimProfileBlanks(line.substr(1, close - 1));
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
    return host::TrimProfileBlanks(Text(line).substr(0, line.equals));
}

}  // namespace stagehand::check
