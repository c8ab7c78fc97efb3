#include "host/system/MachineFacts.h"

#include "host/files/File.h"

#include <fcntl.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <optional>

namespace stagehand::host {
namespace {

constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The value of one line after its name and colon, in bytes.
std::optional<uint64_t> ParseKilobytes(std::string_view value) {
    size_t pos = 0;
    while (pos < value.size() && IsSpace(value[pos])) {
        ++pos;
    }
    uint64_t number = 0;
    const size_t digitsStart = pos;
    while (pos < value.size() && value[pos] >= '0' && value[pos] <= '9') {
        const auto digit = static_cast<uint64_t>(value[pos] - '0');
        if (number > (kMax - digit) / 10) {
            return std::nullopt;
        }
        number = number * 10 + digit;
        ++pos;
    }
    if (pos == digitsStart) {
        return std::nullopt;
    }
    while (pos < value.size() && IsSpace(value[pos])) {
        ++pos;
    }
    std::string_view unit = value.substr(pos);
    while (!unit.empty() && IsSpace(unit.back())) {
        unit.remove_suffix(1);
    }
    if (unit != "kB" || number > kMax / 1024) {
        return std::nullopt;
    }
    return number * 1024;
}

// Up to kMaxMeminfoBytes of a file; /proc files report no size, so read to the end.
std::string ReadBounded(const char* path) {
    std::string text;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return text;
    }
    text.resize(kMaxMeminfoBytes);
    const size_t got = ReadAtMost(fd, text.data(), text.size());
    close(fd);
    text.resize(got);
    return text;
}

// a * b, or kMax when that does not fit.
uint64_t SaturatingProduct(uint64_t a, uint64_t b) {
    return b != 0 && a > kMax / b ? kMax : a * b;
}

}  // namespace

MemoryFigures ParseMeminfo(std::string_view text) {
    MemoryFigures figures;
    bool haveTotal = false;
    bool haveAvailable = false;
    size_t pos = 0;
    while (pos < text.size() && !(haveTotal && haveAvailable)) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view name = line.substr(0, colon);
        bool* have = name == "MemTotal"       ? &haveTotal
                     : name == "MemAvailable" ? &haveAvailable
                                              : nullptr;
        if (have == nullptr || *have) {
            continue;
        }
        *have = true;
        const uint64_t bytes = ParseKilobytes(line.substr(colon + 1)).value_or(0);
        (have == &haveTotal ? figures.total : figures.available) = bytes;
    }
    return figures;
}

MachineFacts ReadMachineFacts() {
    MachineFacts facts;
    const MemoryFigures figures = ParseMeminfo(ReadBounded("/proc/meminfo"));
    facts.totalPhysicalMemory = figures.total;
    facts.availablePhysicalMemory = figures.available;
    struct sysinfo info {};
    if ((facts.totalPhysicalMemory == 0 || facts.availablePhysicalMemory == 0) &&
        sysinfo(&info) == 0) {
        const uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
        if (facts.totalPhysicalMemory == 0) {
            facts.totalPhysicalMemory = SaturatingProduct(info.totalram, unit);
        }
        if (facts.availablePhysicalMemory == 0) {
            const uint64_t pages = static_cast<uint64_t>(info.freeram) + info.bufferram;
            facts.availablePhysicalMemory = SaturatingProduct(pages, unit);
        }
    }
    utsname names{};
    if (uname(&names) == 0) {
        facts.processorArchitecture = names.machine;
        facts.operatingSystem = std::string(names.sysname) + " " + names.release;
        facts.kernelRelease = names.release;
    }
    return facts;
}

}  // namespace stagehand::host
