// What a title may ask about the machine it runs on: memory, processor and system names.
// Screens are not here; the window system answers for them.
//
// Guarantees: reading never fails and never throws except on allocation failure; whatever
// the host does not tell stays 0 or empty. The memory file is read at most
// kMaxMeminfoBytes far.
// Where it bites: figures are the host's, not a container's limit. Available memory is the
// kernel's estimate (MemAvailable); a kernel without it gives free plus buffer memory, which
// is lower. Names are host text (UTF-8), as uname gives them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace stagehand::host {

struct MachineFacts {
    uint64_t totalPhysicalMemory = 0;      // bytes
    uint64_t availablePhysicalMemory = 0;  // bytes
    std::string processorArchitecture;     // the kernel's machine name, e.g. "x86_64"
    std::string operatingSystem;           // kernel name and release, e.g. "Linux 6.1.0"
    std::string kernelRelease;             // the release alone, e.g. "6.1.0-13-amd64"
};

struct MemoryFigures {
    uint64_t total = 0;      // bytes; 0 when absent
    uint64_t available = 0;  // bytes; 0 when absent
};

inline constexpr size_t kMaxMeminfoBytes = 64 * 1024;

MachineFacts ReadMachineFacts();

// The MemTotal and MemAvailable lines of a /proc/meminfo text (`MemTotal:  16314448 kB`),
// in bytes. A line that is malformed, in a unit other than kB, or too large for 64 bits
// counts as absent; the first line of each name wins.
MemoryFigures ParseMeminfo(std::string_view text);

}  // namespace stagehand::host
