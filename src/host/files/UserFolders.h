// The folders of the user's own that the player keeps things in: the data folder (saves) and
// the settings folder (what the user allowed), the state folder (the titles played recently)
// and the cache folder (what the player can make again: title pictures, the library), each
// under the desktop's usual place.
//
// Guarantees: a folder named by the environment is taken only when it is absolute; the player
// makes the folders it needs with mode 0700, so another user of the machine reads nothing of
// them.
// Where it bites: without XDG_DATA_HOME, XDG_CONFIG_HOME and HOME the folders are relative to
// the current directory (the title folder, which the player never writes: saves then fail).
#pragma once

#include <filesystem>
#include <string_view>

#include "base/Result.h"

namespace stagehand::host {

// $XDG_DATA_HOME/stagehand, or ~/.local/share/stagehand.
std::filesystem::path UserDataFolder();
// $XDG_CONFIG_HOME/stagehand, or ~/.config/stagehand.
std::filesystem::path UserSettingsFolder();
// $XDG_STATE_HOME/stagehand, or ~/.local/state/stagehand.
std::filesystem::path UserStateFolder();
// $XDG_CACHE_HOME/stagehand, or ~/.cache/stagehand.
std::filesystem::path UserCacheFolder();

// Where the user keeps pictures: $XDG_PICTURES_DIR, else the desktop's own list of the user's
// folders (user-dirs.dirs in the settings home, read bounded), else ~/Pictures; empty without a
// home. The player's screenshots go in its Stagehand folder.
std::filesystem::path UserPicturesFolder();
// Makes every missing folder on the way to `folder` with mode 0700; `what` names the folder in
// the error ("the save folder").
base::Result<void> MakePrivateFolders(const std::filesystem::path& folder, std::string_view what);

}  // namespace stagehand::host
