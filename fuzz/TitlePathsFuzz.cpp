// Feeds arbitrary title names to the path resolver over a small title folder with look-alike
// names (case twins, accented names, a folder beside the title). Checks the resolver's
// promise: whatever a title writes, every path it hands out lies inside the title folder,
// and a title's full name for a found file resolves back to that file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "host/files/TitlePaths.h"

namespace fs = std::filesystem;
using stagehand::host::TitlePaths;

namespace {

// The title folder, made once per process: root/title holds the title, root/outside lies
// beside it and must never be reached.
const TitlePaths& Paths() {
    static const TitlePaths paths = [] {
        const fs::path base = fs::temp_directory_path() / "stagehand-fuzz-paths";
        const fs::path title = base / "title";
        for (const char* dir : {"title/Data/Sub", "title/data2", "title/Movies", "outside"}) {
            fs::create_directories(base / dir);
        }
        for (const char* file :
             {"title/msg.mii", "title/MSG.MII", "title/Data/Text.ini", "title/Data/Sub/deep.bmp",
              "title/Movies/Intro.SMK", "title/Caf\xC3\xA9.wav", "title/a.b.c", "title/noext",
              "outside/secret.ini"}) {
            std::ofstream(base / file) << "x";
        }
        return TitlePaths(title);
    }();
    return paths;
}

bool Inside(const fs::path& path, const fs::path& root) {
    const fs::path relative = path.lexically_normal().lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

void Check(bool condition, const char* what, std::string_view name) {
    if (!condition) {
        std::fprintf(stderr, "%s for the name \"%.*s\"\n", what, static_cast<int>(name.size()),
                     name.data());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size > 512) {
        return 0;  // longer names only repeat what shorter ones reach
    }
    const std::string_view name(reinterpret_cast<const char*>(bytes), size);
    const TitlePaths& paths = Paths();

    if (std::optional<fs::path> found = paths.Resolve(name)) {
        Check(Inside(*found, paths.Root()), "Resolve left the title folder", name);
        const std::string full = paths.TitleFullName(*found);
        Check(!full.empty() && paths.Resolve(full) == found, "full name does not resolve back",
              name);
    }
    if (std::optional<fs::path> target = paths.ResolveForWrite(name)) {
        Check(Inside(*target, paths.Root()) && *target != paths.Root(),
              "ResolveForWrite left the title folder", name);
    }
    if (std::optional<fs::path> first = paths.FindFirst(name)) {
        Check(Inside(*first, paths.Root()), "FindFirst left the title folder", name);
        std::error_code ec;
        Check(fs::is_regular_file(*first, ec), "FindFirst found no file", name);
    }
    return 0;
}
