// The director's key bindings: the table of enabled keys, the key lists that fill it, and the
// names keys carry in events ("Key_" followed by the name) and in LastKeyPressed.
//
// The table has 256 one-byte flags: 0 to 127 for characters (letters upper-cased), 128 plus
// the virtual-key code for keys that type no character (navigation and function keys). A key
// list is a comma-separated list of key names, single characters, ranges ("A-Z", "0-9",
// "F1-F12") and the words "*all" and "*any"; "\," names the comma, "\\" the backslash and
// "\-" the minus. What a list gets wrong is passed over without a report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace stagehand::keys {

// The modifier flags of a key press, as the main frame hands it to the director.
inline constexpr uint32_t kShift = 1;
inline constexpr uint32_t kControl = 2;
inline constexpr uint32_t kAlt = 4;
inline constexpr uint32_t kCharacter = 8;  // the key is a character code, not a virtual key

inline constexpr size_t kTableSize = 256;
// Where keys without a character start in the table.
inline constexpr uint32_t kVirtualBase = 128;

struct KeyTable {
    uint8_t (&flags)[kTableSize];
    // Any-key mode: every key runs the one event "Key_*any" instead of its own.
    int32_t& anyKeyMode;
};

// Sets (enable) or clears the entries a key list names. A list with a double quote in it is
// read between its first and its last one; with only one, nothing is read.
void ApplyKeyList(std::string_view list, bool enable, KeyTable table);

// The name of a key: "Shift_", "Control_" and "Alt_" as the modifiers say, then the key's own
// name; a virtual key without a name gives only the prefixes.
std::string KeyName(uint32_t key, uint32_t modifiers);

}  // namespace stagehand::keys
