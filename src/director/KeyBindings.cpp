#include "director/KeyBindings.h"

#include <array>
#include <utility>

#include "script/TextUtil.h"

namespace stagehand::keys {

namespace {

// The named keys by table index, for key lists and for key names alike; F1 to F12 are read
// and named apart.
constexpr std::array<std::pair<std::string_view, uint8_t>, 15> kListNames{{
    {"Space", 32},
    {"Tab", 9},
    {"Enter", 13},
    {"BackSpace", 8},
    {"Escape", 27},
    {"PageUp", 128 + 0x21},
    {"PageDown", 128 + 0x22},
    {"End", 128 + 0x23},
    {"Home", 128 + 0x24},
    {"Left", 128 + 0x25},
    {"Up", 128 + 0x26},
    {"Right", 128 + 0x27},
    {"Down", 128 + 0x28},
    {"Insert", 128 + 0x2D},
    {"Delete", 128 + 0x2E},
}};

// The highest table index a function-key range may reach: F12.
constexpr uint32_t kLastFunctionIndex = kVirtualBase + 0x7B;

constexpr uint8_t Byte(char c) {
    return static_cast<uint8_t>(c);
}

constexpr uint8_t Upper(uint8_t c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

constexpr bool IsLetter(uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr bool IsDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

// The table index of a function-key end of a range, "F1" to "F12"; other texts give indices
// the caller bounds.
uint32_t FunctionIndex(std::string_view end) {
    return end.size() == 2 ? 191u + Byte(end[1]) : 201u + Byte(end[2]);
}

void SetRange(std::string_view from, std::string_view to, uint8_t flag, KeyTable table) {
    const auto endOk = [](std::string_view end) {
        return !end.empty() && end.size() <= 3 && (end.size() == 1 || end[0] == 'F');
    };
    if (!endOk(from) || !endOk(to) || to.size() < from.size()) {
        return;
    }
    uint32_t first = 0;
    uint32_t last = 0;
    if (from.size() == 1 && to.size() == 1) {
        const uint8_t a = Byte(from[0]);
        const uint8_t b = Byte(to[0]);
        const bool letters = IsLetter(a) && IsLetter(b);
        const bool digits = IsDigit(a) && IsDigit(b);
        if (a > b || (!letters && !digits)) {
            return;
        }
        first = Upper(a);
        last = Upper(b);
    } else if (from.size() == 1) {
        return;
    } else {
        first = FunctionIndex(from);
        last = FunctionIndex(to);
        if (first > kLastFunctionIndex || last > kLastFunctionIndex) {
            return;
        }
    }
    for (uint32_t i = first; i <= last; ++i) {
        table.flags[i] = flag;
    }
}

void SetSingle(std::string_view item, uint8_t flag, KeyTable table) {
    if (item.size() == 1) {
        table.flags[Upper(Byte(item[0]))] = flag;
        return;
    }
    if (item.size() == 2 && item[0] == '\\') {
        table.flags[Byte(item[1])] = flag;
        return;
    }
    for (const auto& [name, index] : kListNames) {
        if (name == item) {
            table.flags[index] = flag;
            return;
        }
    }
    if (item.size() >= 2 && item.size() <= 3 && item[0] == 'F') {
        for (int n = 1; n <= 12; ++n) {
            if (item == "F" + std::to_string(n)) {
                table.flags[kVirtualBase + 0x70 + n - 1] = flag;
                return;
            }
        }
    }
}

// The name of the named key at a table index, or "".
std::string_view NameAt(uint32_t index) {
    for (const auto& [name, at] : kListNames) {
        if (at == index) {
            return name;
        }
    }
    return {};
}

}  // namespace

void ApplyKeyList(std::string_view list, bool enable, KeyTable table) {
    const uint8_t flag = enable ? 1 : 0;
    if (const size_t open = list.find('"'); open != std::string_view::npos) {
        list.remove_prefix(open + 1);
        const size_t close = list.rfind('"');
        if (close == std::string_view::npos) {
            return;
        }
        list = list.substr(0, close);
    }
    // Every turn consumes at least up to the next comma, or ends the reading.
    std::string_view rest = list;
    for (;;) {
        const size_t comma = rest.find(',');
        if (comma != std::string_view::npos && comma > 0 && rest[comma - 1] == '\\') {
            // "\," is the comma key, and that comma separates nothing; "\\," is the backslash
            // key followed by a separator. A "\," at the very front is the comma key too.
            size_t next = comma;
            if (comma < 2 || rest[comma - 2] != '\\') {
                table.flags[Byte(',')] = flag;
                next = rest.find(',', comma + 1);
            } else {
                table.flags[Byte('\\')] = flag;
            }
            if (next == std::string_view::npos) {
                return;
            }
            rest.remove_prefix(next + 1);
            continue;
        }
        const std::string_view item = Trim(rest.substr(0, comma));
        if (item == "*all") {
            for (uint8_t& entry : table.flags) {
                entry = flag;
            }
            if (!enable) {
                table.anyKeyMode = 0;
            }
            return;
        }
        if (item == "*any") {
            table.anyKeyMode = flag;
        } else if (const size_t dash = item.find('-');
                   dash != std::string_view::npos && item[0] != '\\') {
            SetRange(TrimRight(item.substr(0, dash)), TrimLeft(item.substr(dash + 1)), flag, table);
        } else {
            SetSingle(item, flag, table);
        }
        if (comma == std::string_view::npos) {
            return;
        }
        rest.remove_prefix(comma + 1);
    }
}

std::string KeyName(uint32_t key, uint32_t modifiers) {
    std::string name;
    if (modifiers & kShift) {
        name += "Shift_";
    }
    if (modifiers & kControl) {
        name += "Control_";
    }
    if (modifiers & kAlt) {
        name += "Alt_";
    }
    // 8, 9, 13, 27 and 32 have the same names as characters and as virtual keys.
    if (const std::string_view named = NameAt(key); !named.empty()) {
        return name + std::string(named);
    }
    if (modifiers & kCharacter) {
        return key == '"' ? name + "Quote" : name + static_cast<char>(key);
    }
    if (key >= 0x70 && key <= 0x7B) {
        return name + "F" + std::to_string(key - 0x70 + 1);
    }
    return name + std::string(NameAt(kVirtualBase + key));
}

}  // namespace stagehand::keys
