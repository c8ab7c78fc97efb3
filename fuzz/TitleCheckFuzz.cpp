// Checks any title: the input is the role file, then a line "%%" and the queue file, written
// into a folder of their own; the checker reads them as a title and lists what it finds. It
// must end, stay within its bounds and never crash, whatever the two files hold.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "check/TitleChecker.h"

#include "FuzzCheck.h"

namespace {

void Write(const std::filesystem::path& file, std::string_view text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("stagehand-fuzz-check-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const size_t split = input.find("\n%%\n");
    Write(folder / "roles.mii", input.substr(0, split));
    Write(folder / "msg.mii", split == std::string_view::npos ? "" : input.substr(split + 4));
    stagehand::check::TitleChecker checker(folder);
    checker.Check();
    // The listing is bounded however many faults there are, and never empty.
    std::ostringstream listing;
    checker.Faults().Print(listing, "title");
    const std::string text = listing.str();
    const auto lines = std::count(text.begin(), text.end(), '\n');
    FUZZ_CHECK(lines >= 1 &&
               static_cast<size_t>(lines) <= stagehand::check::Findings::kMaxListed + 1);
    return 0;
}
