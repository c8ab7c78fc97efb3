// A title or its disc in a disc image, as the user names one on the command line:
// `title.iso` (the image's top folder) or `title.iso:/GAME` (a folder in it), and the
// image's folders as the title path resolver walks them (ImageFolders).
//
// Guarantees: the image is read once, bounded as DiscImage reads it; nothing is mounted and
// nothing is written. A folder named after the colon is matched name by name, exactly or
// else case-blind, as a disc's names were on the desktop.
// Where it bites: a file whose own name holds ":/" cannot be named as an image.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Result.h"
#include "host/disc/DiscImage.h"
#include "host/files/ImageFolders.h"

namespace stagehand::host {

// The folders of an opened image.
class DiscFolders final : public ImageFolders {
  public:
    // Indexes every folder's names once, so a lookup costs the same in a folder of many.
    explicit DiscFolders(DiscImage image);
    DiscFolders(const DiscFolders&) = delete;  // the index points into the image's names
    DiscFolders& operator=(const DiscFolders&) = delete;

    std::optional<Found> Find(size_t folder, std::string_view name) const override;
    std::vector<std::string> Names(size_t folder, size_t limit) const override;
    InputFile OpenFile(size_t folder, std::string_view name) const override;
    const DiscImage& Image() const { return image_; }

  private:
    const DiscImage::Entry* Entry(size_t folder, std::string_view name) const;

    DiscImage image_;
    // Per folder: name -> position in Children.
    std::vector<std::unordered_map<std::string_view, size_t>> index_;
};

struct DiscImageName {
    std::filesystem::path image;
    std::string folder;  // after the colon, "/GAME"; empty for the top folder
};

// What the user gave, read as an image: a regular file, or a regular file, ":" and a folder.
// Nullopt for anything else (a folder on the disk, or nothing at all).
std::optional<DiscImageName> AsDiscImageName(const std::string& given);

// Opens the image and finds the folder; the error names the image ("the disc image
// title.iso is damaged: ...").
base::Result<ImageFolder> OpenDiscImageFolder(const DiscImageName& name);

// What the user gave, opened as an image when it names one (AsDiscImageName); nullopt for a
// folder on the disk or nothing at all, which the caller looks at as a folder.
std::optional<base::Result<ImageFolder>> OpenIfDiscImage(const std::filesystem::path& given);

}  // namespace stagehand::host
