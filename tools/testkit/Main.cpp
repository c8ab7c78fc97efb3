// stagehand-testkit: small jobs for tests and the bundled demo.
//
//   stagehand-testkit media LIST OUTDIR
//       writes the BMP images a media list describes (see MediaList.h) into OUTDIR
//   stagehand-testkit compare EXPECTED.png ACTUAL.png [TOLERANCE]
//       exit 0 when both have the same size and every channel of every pixel differs by at
//       most TOLERANCE (default 8); otherwise says how many pixels differ and the first one
//   stagehand-testkit tones LIST OUTDIR
//       writes the test sounds a tones list describes (see Tones.h) into OUTDIR
//   stagehand-testkit sound FILE.wav
//       prints the runs of equal loudness of a wave file the player wrote (see Tones.h)
//
// Exit 1 when the job fails (with a message on standard error), 2 for a wrong command line.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>

#include "MediaList.h"
#include "PngCompare.h"
#include "Tones.h"
#include "host/gfx/Png.h"
#include "testkit/BmpWriter.h"

namespace {

using namespace stagehand;

// No media list comes near this; a bigger file is a mistake on the command line.
constexpr std::uintmax_t kMaxListBytes = 1024 * 1024;

int Usage() {
    std::cerr << "usage: stagehand-testkit media LIST OUTDIR\n"
                 "       stagehand-testkit compare EXPECTED.png ACTUAL.png [TOLERANCE]\n"
                 "       stagehand-testkit tones LIST OUTDIR\n"
                 "       stagehand-testkit sound FILE.wav\n";
    return 2;
}

int Fail(const std::string& message) {
    std::cerr << "stagehand-testkit: " << message << "\n";
    return 1;
}

int MakeMedia(const std::filesystem::path& list, const std::filesystem::path& outDir) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(list, ec);
    if (ec) {
        return Fail(list.string() + ": " + ec.message());
    }
    if (size > kMaxListBytes) {
        return Fail(list.string() + ": a media list of " + std::to_string(size) +
                    " bytes is too long (at most 1 MiB)");
    }
    std::ifstream in(list, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) {
        return Fail(list.string() + ": cannot be read");
    }

    std::string error;
    const std::optional<std::vector<testkit::MediaImage>> images =
        testkit::ParseMediaList(text, &error);
    if (!images) {
        return Fail(list.string() + ": " + error);
    }

    std::filesystem::create_directories(outDir, ec);
    if (ec) {
        return Fail(outDir.string() + ": " + ec.message());
    }
    for (const testkit::MediaImage& image : *images) {
        const std::filesystem::path path = outDir / image.name;
        if (!testing::SaveBmp(testkit::RenderMedia(image), path)) {
            return Fail(path.string() + ": cannot be written");
        }
    }
    std::cout << images->size() << " images written to " << outDir.string() << "\n";
    return 0;
}

int MakeSounds(const std::filesystem::path& list, const std::filesystem::path& outDir) {
    std::ifstream in(list, std::ios::binary);
    std::string text(kMaxListBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    std::string error;
    const std::optional<size_t> count = testkit::MakeTones(text, outDir, &error);
    if (!in.is_open() || !count) {
        return Fail(list.string() + ": " + (in.is_open() ? error : "cannot be read"));
    }
    std::cout << *count << " sounds written to " << outDir.string() << "\n";
    return 0;
}

int Summarise(const std::filesystem::path& file) {
    std::string error;
    const std::optional<std::string> summary = testkit::SummariseSound(file, &error);
    if (!summary) {
        return Fail(error);
    }
    std::cout << *summary;
    return 0;
}

int Compare(const std::string& expectedPath, const std::string& actualPath,
            const char* toleranceText) {
    int tolerance = 8;
    if (toleranceText != nullptr) {
        char* end = nullptr;
        const long value = std::strtol(toleranceText, &end, 10);
        if (*toleranceText == '\0' || *end != '\0' || value < 0 || value > 255) {
            return Fail(std::string("tolerance \"") + toleranceText +
                        "\" is not a whole number from 0 to 255");
        }
        tolerance = static_cast<int>(value);
    }
    const base::Result<host::Surface> expected = host::ReadPng(expectedPath);
    if (!expected) {
        return Fail(expected.error());
    }
    const base::Result<host::Surface> actual = host::ReadPng(actualPath);
    if (!actual) {
        return Fail(actual.error());
    }
    const testkit::Comparison result = testkit::CompareImages(*expected, *actual, tolerance);
    if (!result.same) {
        std::cout << result.report << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "media" && argc == 4) {
        return MakeMedia(argv[2], argv[3]);
    }
    if (command == "compare" && (argc == 4 || argc == 5)) {
        return Compare(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    }
    if (command == "tones" && argc == 4) {
        return MakeSounds(argv[2], argv[3]);
    }
    if (command == "sound" && argc == 3) {
        return Summarise(argv[2]);
    }
    return Usage();
}
