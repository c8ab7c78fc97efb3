// MediaCheck: whether a file a title names can be found and read the way the player would
// read it: pictures through the player's picture loader, movies by opening them as the
// video roles do (host::Movie), waves through the wave reader with the sound roles' own
// demands, content files by the content manager's search and the profile reader's limit.
//
// Guarantees: each file is read at most once per kind, however often the title names it;
// every reader is bounded (see each reader's own guarantees).
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "visual/PictureCache.h"

namespace stagehand::host {
class TitlePaths;
}

namespace stagehand::check {

enum class MediaKind { kPicture, kMovie, kWave, kContent };

class MediaCheck {
  public:
    // The paths must outlive the check.
    explicit MediaCheck(const host::TitlePaths& paths);

    // Why the title name cannot be used as that kind of file, or "" when it can.
    std::string Fault(MediaKind kind, std::string_view titleName);

  private:
    // Why the found file cannot be read as that kind, or "".
    std::string ReadFault(MediaKind kind, const std::filesystem::path& path);

    const host::TitlePaths& paths_;
    // Nothing is kept: each picture is let go as soon as it has decoded.
    CPictureCache pictures_;
    std::map<std::pair<MediaKind, std::filesystem::path>, std::string> seen_;
};

}  // namespace stagehand::check
