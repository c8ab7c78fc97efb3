#include "host/files/UserFolders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

// An absolute folder named by an environment variable, if it names one.
std::optional<fs::path> AbsoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0' || value[0] != '/') {
        return std::nullopt;
    }
    return fs::path(value);
}

fs::path UserFolder(const char* variable, const fs::path& underHome) {
    if (std::optional<fs::path> xdg = AbsoluteFromEnvironment(variable)) {
        return *xdg / "stagehand";
    }
    if (std::optional<fs::path> home = AbsoluteFromEnvironment("HOME")) {
        return *home / underHome / "stagehand";
    }
    return fs::path(".stagehand");
}

// The desktop's list of the user's folders holds lines like XDG_PICTURES_DIR="$HOME/Pictures".
std::optional<fs::path> PicturesFromUserDirs(const fs::path& home) {
    const std::optional<fs::path> config = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
    std::ifstream in(config ? *config / "user-dirs.dirs" : home / ".config" / "user-dirs.dirs");
    constexpr std::string_view kKey = "XDG_PICTURES_DIR=\"";
    std::string line;
    for (int lines = 0; lines < 200 && std::getline(in, line); ++lines) {
        if (line.size() > 4096 || line.rfind(kKey, 0) != 0 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(kKey.size(), line.size() - kKey.size() - 1);
        if (value.rfind("$HOME/", 0) == 0) {
            return home / value.substr(6);
        }
        if (!value.empty() && value[0] == '/') {
            return fs::path(value);
        }
    }
    return std::nullopt;
}

}  // namespace

fs::path UserPicturesFolder() {
    if (std::optional<fs::path> xdg = AbsoluteFromEnvironment("XDG_PICTURES_DIR")) {
        return *xdg;
    }
    const std::optional<fs::path> home = AbsoluteFromEnvironment("HOME");
    if (!home) {
        return {};  // never the current directory: it is the title folder
    }
    return PicturesFromUserDirs(*home).value_or(*home / "Pictures");
}

fs::path UserDataFolder() {
    return UserFolder("XDG_DATA_HOME", fs::path(".local") / "share");
}

fs::path UserSettingsFolder() {
    return UserFolder("XDG_CONFIG_HOME", ".config");
}

fs::path UserStateFolder() {
    return UserFolder("XDG_STATE_HOME", fs::path(".local") / "state");
}

fs::path UserCacheFolder() {
    return UserFolder("XDG_CACHE_HOME", ".cache");
}

base::Result<void> MakePrivateFolders(const fs::path& folder, std::string_view what) {
    fs::path made;
    for (const fs::path& part : folder) {
        made /= part;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            return base::Failure("cannot make " + std::string(what) + " " + made.string() + ": " +
                                 std::error_code(errno, std::generic_category()).message());
        }
    }
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        return base::Failure(std::string(what) + " " + folder.string() + " is not a folder");
    }
    return {};
}

}  // namespace stagehand::host
