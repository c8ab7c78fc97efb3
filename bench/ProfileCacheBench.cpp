// What big profile files cost: one 63 MiB INI file read through many spellings of its name,
// and one 63 MiB roles file parsed. Memory is the figure that matters here; run one case at a
// time under `/usr/bin/time -v` and read the peak resident size. The files are written to
// the temporary folder at run time.
#include <benchmark/benchmark.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/files/ProfileFile.h"
#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"

namespace stagehand::host {
namespace {

constexpr size_t kFileBytes = 63u << 20;

// Sections of roles as titles write them, until the file holds kFileBytes.
std::string RolesText() {
    std::string text;
    text.reserve(kFileBytes + 256);
    for (int role = 0; text.size() < kFileBytes; ++role) {
        const std::string n = std::to_string(role);
        text += "[Role" + n + "]\r\nType=Button\r\nX=" + n +
                "\r\nY=20\r\nWidth=64\r\nHeight=" + "32\r\nImage=art\\button" + n +
                ".bmp\r\nClick=Scene" + n + ".Show()\r\n";
    }
    return text;
}

std::filesystem::path WriteTitle() {
    const auto dir = std::filesystem::temp_directory_path() / "stagehand-bench-big-profile";
    std::filesystem::create_directories(dir);
    const auto file = dir / "data.ini";
    if (!std::filesystem::exists(file) || std::filesystem::file_size(file) < kFileBytes) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << RolesText();
    }
    return dir;
}

// `C:\data.ini` in the letter cases that `index` picks, one bit a letter.
std::string Spelling(int index) {
    std::string name = "C:\\data.ini";
    int bit = 0;
    for (char& c : name) {
        if (std::isalpha(static_cast<unsigned char>(c)) && c != 'C') {
            if ((index >> bit++) & 1) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
        }
    }
    return name;
}

// One key through each of range(0) spellings of the same file.
void ReadOneBigFileUnderManyNames(benchmark::State& state) {
    const TitlePaths paths(WriteTitle());
    for (auto _ : state) {
        ProfileReader reader(paths);
        std::string out;
        for (int i = 0; i < state.range(0); ++i) {
            reader.ReadString(Spelling(i), "Role5", "Type", "", out, 64);
            if (out != "Button") {
                state.SkipWithError("the read returned the wrong value");
            }
        }
        state.counters["cached_MiB"] = static_cast<double>(reader.CachedBytes()) / (1 << 20);
    }
}
BENCHMARK(ReadOneBigFileUnderManyNames)
    ->Arg(4)
    ->Arg(32)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void ParseBigRolesFile(benchmark::State& state) {
    const std::string text = RolesText();
    for (auto _ : state) {
        const ProfileFile file = ProfileFile::Parse(text);
        benchmark::DoNotOptimize(file.FindSection("Role5"));
        state.counters["parsed_MiB"] = static_cast<double>(file.MemoryBytes()) / (1 << 20);
    }
}
BENCHMARK(ParseBigRolesFile)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stagehand::host
