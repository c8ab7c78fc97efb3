#include "host/files/UserFolders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
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

}  // namespace

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
