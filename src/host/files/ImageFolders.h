// A read-only tree of folders and files that is not on the host's disk: the files of a disc
// image, reached through FolderRoots as a folder on the disk is. Folders are numbered by the
// tree; names are UTF-8, as host names are, and match exactly.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/files/File.h"

namespace stagehand::host {

class ImageFolders {
  public:
    struct Found {
        bool folder = false;
        size_t index = 0;  // a folder's number
    };

    virtual ~ImageFolders() = default;
    // The entry `name` of folder `folder`, if there is one.
    virtual std::optional<Found> Find(size_t folder, std::string_view name) const = 0;
    // The names in a folder, at most `limit` of them, in the tree's order.
    virtual std::vector<std::string> Names(size_t folder, size_t limit) const = 0;
    // The file `name` of folder `folder` opened for reading; InputFile::Missing() when it is
    // not there or not a file.
    virtual InputFile OpenFile(size_t folder, std::string_view name) const = 0;
};

// One folder of such a tree, and the host path its entries are shown under: the image's own
// real path, then the folder's names (a path that leads to nothing on the disk).
struct ImageFolder {
    std::shared_ptr<const ImageFolders> tree;
    size_t folder = 0;
    std::filesystem::path shownAs;
};

}  // namespace stagehand::host
