#include "app/DefaultTitle.h"

#include "host/files/TitlePaths.h"

// The demo's folder as seen from the folder the program is installed in; the build sets it
// from its install folders.
#ifndef STAGEHAND_INSTALLED_DEMO
#define STAGEHAND_INSTALLED_DEMO "../share/stagehand/demo"
#endif

namespace stagehand {

namespace fs = std::filesystem;

fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec) : program.parent_path();
}

std::vector<fs::path> DefaultTitleCandidates(const fs::path& programFolder) {
    const fs::path installed(STAGEHAND_INSTALLED_DEMO);
    return {
        programFolder,
        programFolder / "demo",
        (installed.is_absolute() ? installed : programFolder / installed).lexically_normal(),
    };
}

bool HoldsTitle(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        return false;
    }
    const std::optional<fs::path> roles = host::TitlePaths(folder).Resolve("roles.mii");
    return roles && fs::is_regular_file(*roles, ec);
}

std::optional<fs::path> FindDefaultTitle(const fs::path& programFolder) {
    for (const fs::path& candidate : DefaultTitleCandidates(programFolder)) {
        if (HoldsTitle(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

}  // namespace stagehand
