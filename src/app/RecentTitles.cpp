#include "app/RecentTitles.h"

#include <algorithm>
#include <charconv>

#include "host/files/File.h"
#include "host/files/FileReplacement.h"
#include "host/files/ProfileFile.h"
#include "host/files/UserFolders.h"

namespace stagehand {

namespace fs = std::filesystem;

namespace {

// A file of more sections than this is no list of the player's; the rest is not looked at.
constexpr size_t kMaxSectionsRead = 200;

bool Writable(std::string_view text) {
    return !text.empty() && text.find_first_of("\r\n", 0) == std::string_view::npos &&
           text.find('\0') == std::string_view::npos;
}

std::optional<int64_t> ReadSeconds(std::string_view text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

RecentTitles RecentTitles::Parse(std::string_view bytes,
                                 const std::function<void(const std::string&)>& fault) {
    const host::ProfileFile file = host::ProfileFile::Parse(bytes.substr(0, kMaxFileBytes));
    RecentTitles recent;
    size_t passedOver = 0;
    size_t read = 0;
    for (const host::ProfileSection& section : file.Sections()) {
        if (++read > kMaxSectionsRead) {
            passedOver += file.Sections().size() - kMaxSectionsRead;
            break;
        }
        const std::optional<std::string_view> location = section.FindValue("Location");
        const std::optional<std::string_view> played = section.FindValue("Played");
        const std::optional<int64_t> seconds = played ? ReadSeconds(*played) : std::nullopt;
        if (!location || !fs::path(*location).is_absolute() || !seconds) {
            ++passedOver;
            continue;
        }
        const std::string_view name = section.FindValue("Name").value_or("");
        RecentTitle title{std::string(*location),
                          name.empty() ? FallbackTitleName(*location) : std::string(name),
                          *seconds};
        recent.titles_.push_back(std::move(title));
    }
    // Most recent first; of one location the most recent entry stays.
    std::stable_sort(
        recent.titles_.begin(), recent.titles_.end(),
        [](const RecentTitle& a, const RecentTitle& b) { return a.played > b.played; });
    std::vector<RecentTitle> kept;
    for (RecentTitle& title : recent.titles_) {
        const bool seen = std::any_of(kept.begin(), kept.end(), [&title](const RecentTitle& k) {
            return k.location == title.location;
        });
        if (!seen && kept.size() < kMaxTitles) {
            kept.push_back(std::move(title));
        }
    }
    recent.titles_ = std::move(kept);
    if (passedOver > 0 && fault) {
        fault("the list of titles played recently is damaged: " + std::to_string(passedOver) +
              " of its entries were passed over");
    }
    return recent;
}

std::string RecentTitles::Format() const {
    std::string out = "; The titles Stagehand played recently, most recent first.\n";
    for (size_t i = 0; i < titles_.size(); ++i) {
        const RecentTitle& title = titles_[i];
        out += "\n[Title" + std::to_string(i + 1) + "]\nLocation=" + title.location +
               "\nName=" + title.name + "\nPlayed=" + std::to_string(title.played) + "\n";
    }
    return out;
}

bool RecentTitles::Remember(RecentTitle title) {
    if (!Writable(title.location) || !fs::path(title.location).is_absolute()) {
        return false;
    }
    if (!Writable(title.name)) {
        title.name = FallbackTitleName(title.location);
    }
    std::erase_if(titles_,
                  [&title](const RecentTitle& old) { return old.location == title.location; });
    titles_.insert(titles_.begin(), std::move(title));
    if (titles_.size() > kMaxTitles) {
        titles_.resize(kMaxTitles);
    }
    return true;
}

fs::path RecentTitles::DefaultFile() {
    return host::UserStateFolder() / "recent.ini";
}

RecentTitles RecentTitles::Load(const fs::path& file,
                                const std::function<void(const std::string&)>& fault) {
    host::FileBytes read = host::ReadFile(file, kMaxFileBytes);
    if (!read.Read()) {
        if (read.fault != host::FileFault::kMissing && fault) {
            fault("the list of titles played recently, " + file.string() +
                  ", cannot be read: " + read.reason);
        }
        return {};
    }
    return Parse(read.bytes, fault);
}

base::Result<void> RecentTitles::Save(const fs::path& file) const {
    if (base::Result<void> made = host::MakePrivateFolders(file.parent_path(), "the state folder");
        !made) {
        return made;
    }
    return host::ReplaceFile(file, Format());
}

std::string FallbackTitleName(std::string_view location) {
    std::string_view path = location;
    // `disc.iso:/GAME` is named after its folder, `disc.iso` after the image.
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    const size_t slash = path.find_last_of("/:");
    std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return last.empty() ? std::string(location) : std::string(last);
}

}  // namespace stagehand
