// Feeds arbitrary title names to the path resolver over a small title folder with look-alike
// names (case twins, accented names, a folder beside the title). Checks the resolver's
// promise: whatever a title writes, every path it hands out lies inside the title folder,
// a title's full name for a found file resolves back to that file, and a save's name is one
// plain entry of the save folder.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "host/files/SaveFolder.h"
#include "host/files/TitlePaths.h"

#include "FuzzCheck.h"

namespace fs = std::filesystem;
using stagehand::host::SaveFolder;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size > 512) {
        return 0;  // longer names only repeat what shorter ones reach
    }
    const std::string_view name(reinterpret_cast<const char*>(bytes), size);
    const TitlePaths& paths = Paths();

    if (std::optional<fs::path> found = paths.Resolve(name)) {
        FUZZ_CHECK(Inside(*found, paths.Root()));
        const std::string full = paths.TitleFullName(*found);
        FUZZ_CHECK(!full.empty() && paths.Resolve(full) == found);
    }
    if (stagehand::base::Result<std::string> save = SaveFolder::SaveName(name)) {
        // One plain entry of the save folder, never a script file.
        FUZZ_CHECK(!save->empty() && save->find('/') == std::string::npos && *save != "." &&
                   *save != ".." && *save != "roles.mii" && *save != "msg.mii");
    }
    if (std::optional<fs::path> first = paths.FindFirst(name)) {
        FUZZ_CHECK(Inside(*first, paths.Root()));
        std::error_code ec;
        FUZZ_CHECK(fs::is_regular_file(*first, ec));
    }
    return 0;
}
