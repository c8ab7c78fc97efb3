// Feeds arbitrary text to the colour reader. Checks that the value fits 24 bits, and, for
// texts whose digit runs are short enough that the C library's "%d,%d,%d" reading is
// defined, that it reads exactly what that reading gives, low 8 bits of each number kept.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "visual/TextFont.h"

#include "FuzzCheck.h"

namespace {

// Every run of digits has at most 9 digits, so each number fits an int.
bool NumbersFitInt(std::string_view text) {
    int run = 0;
    for (char c : text) {
        run = (c >= '0' && c <= '9') ? run + 1 : 0;
        if (run > 9) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const uint32_t color = stagehand::CTextFont::ParseColor(text);
    FUZZ_CHECK(color <= 0xFFFFFFu);

    if (NumbersFitInt(text)) {
        const std::string terminated(text);
        int read[3] = {0, 0, 0};
        std::sscanf(terminated.c_str(), "%d,%d,%d", &read[0], &read[1], &read[2]);
        const uint32_t expected = (static_cast<uint32_t>(read[0]) & 0xFF) |
                                  ((static_cast<uint32_t>(read[1]) & 0xFF) << 8) |
                                  ((static_cast<uint32_t>(read[2]) & 0xFF) << 16);
        FUZZ_CHECK(color == expected);
    }
    return 0;
}
