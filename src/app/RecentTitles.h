// The titles played recently, as the library lists them: each title's folder or disc image
// (as the player was given it, made absolute), its window name and when it was last played,
// kept in the user's state folder as recent.ini:
//
//   [Title1]
//   Location=/home/me/titles/Ocean
//   Name=Ocean Quest
//   Played=1765180800
//
// Guarantees: the list is most recent first, holds a location once and at most kMaxTitles;
// reading keeps what it can of a damaged file (an entry without a location, a location that
// is not absolute or a played time that is no number is left out, with one line for the
// whole file) and never fails; the file is read within kMaxFileBytes and written whole or not
// at all.
// Where it bites: a location or name holding a line break cannot be kept and is not recorded.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"

namespace stagehand {

struct RecentTitle {
    std::string location;  // an absolute folder, `disc.iso` or `disc.iso:/FOLDER`
    std::string name;      // the director's ApplicationWindowName, or the folder's name
    int64_t played = 0;    // seconds since 1970
};

class RecentTitles {
  public:
    static constexpr size_t kMaxTitles = 20;
    static constexpr uint64_t kMaxFileBytes = 64 * 1024;

    // The titles in `bytes`, most recent first; `fault` hears one line when entries were
    // left out.
    static RecentTitles Parse(std::string_view bytes,
                              const std::function<void(const std::string&)>& fault);
    std::string Format() const;

    // Puts the title first, in place of an earlier entry of the same location, and drops the
    // oldest past kMaxTitles. False (nothing changes) for a title that cannot be written.
    bool Remember(RecentTitle title);

    const std::vector<RecentTitle>& Titles() const { return titles_; }
    bool Empty() const { return titles_.empty(); }

    // recent.ini in the user's state folder.
    static std::filesystem::path DefaultFile();
    // The file's titles; a file that is missing gives none, one that cannot be read gives
    // none and a line to `fault`.
    static RecentTitles Load(const std::filesystem::path& file,
                             const std::function<void(const std::string&)>& fault);
    // Writes the file, making its folder (mode 0700) first.
    base::Result<void> Save(const std::filesystem::path& file) const;

  private:
    std::vector<RecentTitle> titles_;
};

// The name a title is listed under when its director names none: the folder's (or image's)
// last part.
std::string FallbackTitleName(std::string_view location);

}  // namespace stagehand
