#include "Tones.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace stagehand::testkit {

namespace {

constexpr uint32_t kPeriodFrames = 20;
constexpr uint32_t kMaxMs = 60000;

void Put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
}

std::string WaveBytes(uint32_t rate, uint32_t channels, uint32_t bits, const std::string& data) {
    const uint32_t block = channels * bits / 8;
    std::string out = "RIFF";
    Put(out, 36 + static_cast<uint32_t>(data.size()), 4);
    out += "WAVEfmt ";
    Put(out, 16, 4);
    Put(out, 1, 2);
    Put(out, channels, 2);
    Put(out, rate, 4);
    Put(out, rate * block, 4);
    Put(out, block, 2);
    Put(out, bits, 2);
    out += "data";
    Put(out, static_cast<uint32_t>(data.size()), 4);
    return out + data;
}

bool ReadNumber(const std::string& text, uint32_t low, uint32_t high, uint32_t& value) {
    char* end = nullptr;
    const unsigned long read = std::strtoul(text.c_str(), &end, 10);
    value = static_cast<uint32_t>(read);
    return !text.empty() && *end == '\0' && read >= low && read <= high;
}

}  // namespace

std::optional<size_t> MakeTones(std::string_view list, const std::filesystem::path& outDir,
                                std::string* error) {
    std::istringstream lines{std::string(list)};
    std::string line;
    std::vector<std::pair<std::string, std::string>> files;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::istringstream words(line);
        std::string name, rateText, channelsText, bitsText, piece;
        if (!(words >> name) || name.front() == '#') {
            continue;
        }
        uint32_t rate = 0, channels = 0, bits = 0;
        const auto fail = [&](const std::string& what) {
            *error = "line " + std::to_string(number) + ": " + what;
            return std::nullopt;
        };
        if (name.find('/') != std::string::npos || !name.ends_with(".wav")) {
            return fail("the name " + name + " is not a plain NAME.wav");
        }
        words >> rateText >> channelsText >> bitsText;
        if (!ReadNumber(rateText, 1000, 96000, rate) || !ReadNumber(channelsText, 1, 2, channels) ||
            !ReadNumber(bitsText, 8, 16, bits) || (bits != 8 && bits != 16)) {
            return fail("RATE CHANNELS BITS must be 1000-96000, 1 or 2, 8 or 16");
        }
        std::string data;
        uint32_t frame = 0;
        while (words >> piece) {
            const size_t colon = piece.find(':');
            const size_t pitchColon =
                colon == std::string::npos ? std::string::npos : piece.find(':', colon + 1);
            uint32_t ms = 0, level = 0, hz = 0;
            const std::string levelText =
                piece.substr(colon + 1, pitchColon == std::string::npos ? std::string::npos
                                                                        : pitchColon - colon - 1);
            if (colon == std::string::npos || !ReadNumber(piece.substr(0, colon), 1, kMaxMs, ms) ||
                !ReadNumber(levelText, 0, 32767, level) ||
                (pitchColon != std::string::npos &&
                 !ReadNumber(piece.substr(pitchColon + 1), 20, rate / 2, hz))) {
                return fail("the piece " + piece + " is not MS:LEVEL or MS:LEVEL:HZ");
            }
            const uint64_t frames = uint64_t{ms} * rate / 1000;
            for (uint64_t i = 0; i < frames; ++i, ++frame) {
                // Half periods counted from the piece's start: 2 x HZ of them a second.
                const bool high = hz == 0 ? frame % kPeriodFrames < kPeriodFrames / 2
                                          : (i * 2 * hz / rate) % 2 == 0;
                const int32_t sample =
                    high ? static_cast<int32_t>(level) : -static_cast<int32_t>(level);
                for (uint32_t c = 0; c < channels; ++c) {
                    if (bits == 8) {
                        data += static_cast<char>(0x80 + sample / 256);
                    } else {
                        Put(data, static_cast<uint32_t>(sample), 2);
                    }
                }
            }
        }
        files.emplace_back(name, WaveBytes(rate, channels, bits, data));
    }
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    for (const auto& [name, bytes] : files) {
        std::ofstream out(outDir / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            *error = (outDir / name).string() + ": cannot be written";
            return std::nullopt;
        }
    }
    return files.size();
}

std::optional<std::string> SummariseSound(const std::filesystem::path& file, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto get = [&bytes](size_t at, int count) {
        uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i) {
            value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
        }
        return value;
    };
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 ||
        bytes.compare(8, 8, "WAVEfmt ") != 0 || get(22, 2) != 2 || get(34, 2) != 16 ||
        bytes.compare(36, 4, "data") != 0 || get(24, 4) < 100) {
        *error = file.string() + " is not a 16-bit stereo wave file as the player writes them";
        return std::nullopt;
    }
    const uint32_t window = get(24, 4) / 100;  // frames in 10 ms
    const size_t frames = std::min<size_t>(get(40, 4), bytes.size() - 44) / 4;
    std::ostringstream out;
    int32_t runPeak = -1;
    size_t runStart = 0;
    const size_t windows = (frames + window - 1) / window;
    for (size_t w = 0; w <= windows; ++w) {
        int32_t peak = -1;
        if (w < windows) {
            peak = 0;
            for (size_t f = w * window; f < std::min(frames, (w + 1) * window); ++f) {
                for (size_t c = 0; c < 2; ++c) {
                    const auto sample = static_cast<int16_t>(get(44 + 4 * f + 2 * c, 2));
                    peak = std::max(peak, std::abs(int32_t{sample}));
                }
            }
        }
        if (peak != runPeak) {
            if (runPeak >= 0) {
                out << runStart * 10 << '-' << w * 10 << ' ' << runPeak << '\n';
            }
            runPeak = peak;
            runStart = w;
        }
    }
    return out.str();
}

}  // namespace stagehand::testkit
