// The library's own title: a scene that lists the titles played recently (each a text button
// with its window name, its folder in a label beneath, and its picture when one was kept), a
// button for the demo, and "Open" with an entry field for a folder or disc image the user
// types, plus Quit. The player writes it into a folder of the user's cache each time the
// library opens and plays it as any title.
//
// What the user chose comes back through the title's own state: every choice sets the string
// state variable kChoiceRole ("1" to "6" for the listed titles, kDemo, kOpen, kQuit) and
// ends the play with Director.End(); an "Open" leaves the typed text in the entry field
// kPathRole, which the application reads as the user typed it (no message carries the path,
// so any name survives).
//
// Guarantees: the written title passes `stagehand --check`; text from the list (names,
// folders) is shown, never run: it goes only into label and button texts, with the
// characters those treat specially replaced.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/RecentTitles.h"
#include "base/Result.h"

namespace stagehand {

class LibraryTitle {
  public:
    // The titles the library's one page shows.
    static constexpr size_t kShownTitles = 6;
    static constexpr std::string_view kChoiceRole = "Chosen";
    static constexpr std::string_view kPathRole = "PathField";
    static constexpr std::string_view kDemo = "demo";
    static constexpr std::string_view kOpen = "open";
    static constexpr std::string_view kQuit = "quit";
    static constexpr std::string_view kWindowName = "Stagehand Library";

    // $XDG_CACHE_HOME/stagehand/library.
    static std::filesystem::path DefaultFolder();

    // Writes roles.mii, msg.mii and the pictures into `folder` (made 0700 when missing).
    // `notice` (UTF-8; empty: none) is shown above the buttons: why the title chosen last
    // could not be played.
    static base::Result<void> Write(const std::filesystem::path& folder,
                                    const std::vector<RecentTitle>& titles, bool hasDemo,
                                    const std::string& notice = "");

    // The two title files on their own, for the titles shown.
    static std::string Roles(const std::vector<RecentTitle>& titles,
                             const std::vector<bool>& withPicture, bool hasDemo,
                             const std::string& notice = "");
    static std::string Messages(size_t shownTitles, const std::vector<bool>& withPicture,
                                bool hasDemo);

    // Text a label or button can show of `utf8`: Windows-1252, control characters, tag
    // brackets and backslashes replaced, cut to maxCharacters (keeping the end, marked
    // "...").
    static std::string ShownText(std::string_view utf8, size_t maxCharacters);
};

}  // namespace stagehand
