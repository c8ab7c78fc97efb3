// Feeds arbitrary text to the director's key-list reader. Checks that it stays inside the key
// table, sets only 0 or 1, and that disabling a list clears exactly what enabling it set,
// any-key mode included; and that every key a press can carry has a name.
#include <cstdint>
#include <string_view>

#include "director/KeyBindings.h"

#include "FuzzCheck.h"

namespace keys = stagehand::keys;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view list(reinterpret_cast<const char*>(bytes), size);

    uint8_t flags[keys::kTableSize] = {};
    int32_t any = 0;
    keys::ApplyKeyList(list, true, {flags, any});
    for (uint8_t flag : flags) {
        FUZZ_CHECK(flag <= 1);
    }
    FUZZ_CHECK(any == 0 || any == 1);
    keys::ApplyKeyList(list, false, {flags, any});
    for (uint8_t flag : flags) {
        FUZZ_CHECK(flag == 0);
    }
    FUZZ_CHECK(any == 0);

    if (size >= 2) {
        const uint32_t key = bytes[0] & 0x7F;
        const uint32_t modifiers = bytes[1] & 0x0F;
        FUZZ_CHECK(keys::KeyName(key, modifiers).size() <= 32);
    }
    return 0;
}
