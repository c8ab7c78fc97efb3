#include "host/disc/DiscTitle.h"

#include <system_error>
#include <utility>

#include "host/files/TextEncoding.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

bool IsRegularFile(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

}  // namespace

DiscFolders::DiscFolders(DiscImage image) : image_(std::move(image)) {
    index_.resize(image_.FolderCount());
    for (size_t folder = 0; folder < index_.size(); ++folder) {
        const std::vector<DiscImage::Entry>& children = image_.Children(folder);
        for (size_t i = 0; i < children.size(); ++i) {
            index_[folder].emplace(children[i].name, i);  // the first of a name stays
        }
    }
}

const DiscImage::Entry* DiscFolders::Entry(size_t folder, std::string_view name) const {
    if (folder >= index_.size()) {
        return nullptr;
    }
    const auto found = index_[folder].find(name);
    return found == index_[folder].end() ? nullptr : &image_.Children(folder)[found->second];
}

std::optional<ImageFolders::Found> DiscFolders::Find(size_t folder, std::string_view name) const {
    if (const DiscImage::Entry* entry = Entry(folder, name)) {
        return Found{entry->folder, entry->index};
    }
    return std::nullopt;
}

std::vector<std::string> DiscFolders::Names(size_t folder, size_t limit) const {
    std::vector<std::string> names;
    for (const DiscImage::Entry& entry : image_.Children(folder)) {
        if (names.size() == limit) {
            break;
        }
        names.push_back(entry.name);
    }
    return names;
}

InputFile DiscFolders::OpenFile(size_t folder, std::string_view name) const {
    const DiscImage::Entry* entry = Entry(folder, name);
    if (entry == nullptr || entry->folder) {
        return InputFile::Missing();
    }
    return image_.OpenFile(*entry);
}

std::optional<DiscImageName> AsDiscImageName(const std::string& given) {
    if (IsRegularFile(given)) {
        return DiscImageName{given, {}};
    }
    const size_t colon = given.rfind(":/");
    if (colon == std::string::npos || !IsRegularFile(given.substr(0, colon))) {
        return std::nullopt;
    }
    return DiscImageName{given.substr(0, colon), given.substr(colon + 1)};
}

base::Result<ImageFolder> OpenDiscImageFolder(const DiscImageName& name) {
    const std::string shown = name.image.string();
    InputFile file = InputFile::Open(name.image);
    if (!file.IsOpen()) {
        return base::Failure("the disc image " + shown + " cannot be read: " + file.Reason());
    }
    base::Result<DiscImage> image = DiscImage::Open(std::move(file));
    if (!image) {
        return base::Failure(shown + ": " + image.error());
    }
    auto folders = std::make_shared<DiscFolders>(std::move(*image));
    std::error_code ec;
    fs::path shownAs = fs::canonical(name.image, ec);
    if (ec) {
        shownAs = fs::absolute(name.image, ec).lexically_normal();
    }
    size_t folder = DiscImage::kRoot;
    size_t start = 0;
    const std::string& path = name.folder;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string_view part = std::string_view(path).substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        const DiscImage::Entry* found = nullptr;
        for (const DiscImage::Entry& entry : folders->Image().Children(folder)) {
            if (entry.folder && entry.name == part) {
                found = &entry;
                break;
            }
            if (entry.folder && found == nullptr && EqualsCaseBlind1252(entry.name, part)) {
                found = &entry;
            }
        }
        if (found == nullptr) {
            return base::Failure("the disc image " + shown + " has no folder " + path);
        }
        folder = found->index;
        shownAs /= found->name;
    }
    return ImageFolder{std::move(folders), folder, std::move(shownAs)};
}

std::optional<base::Result<ImageFolder>> OpenIfDiscImage(const fs::path& given) {
    const std::optional<DiscImageName> name = AsDiscImageName(given.string());
    if (!name) {
        return std::nullopt;
    }
    return OpenDiscImageFolder(*name);
}

}  // namespace stagehand::host
