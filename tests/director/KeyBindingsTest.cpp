// The key-list reader and key naming: which table entries a list sets, read from a table of
// lists, and the names keys carry into their events.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "director/KeyBindings.h"

namespace stagehand::keys {
namespace {

// Table indices of the entries a list names.
constexpr int kF1 = 240;
constexpr int kF12 = 251;
constexpr int kPageDown = 162;

std::vector<int> Span(int first, int last) {
    std::vector<int> span;
    for (int i = first; i <= last; ++i) {
        span.push_back(i);
    }
    return span;
}

struct ListCase {
    const char* list;
    std::vector<int> enabled;
    int anyKeyMode = 0;
};

TEST(KeyBindingsTest, ListsSetTheEntriesTheyName) {
    const ListCase cases[] = {
        {"A,b, 7 ", {'7', 'A', 'B'}},
        {"\"A,B\"", {'A', 'B'}},
        {"x\"A,B", {}},
        {"Space,Enter,F1,PageDown,space,Quote,F13,F0", {13, 32, kPageDown, kF1}},
        {"A-Z", Span('A', 'Z')},
        {"a - z", Span('A', 'Z')},
        {"0-9", Span('0', '9')},
        {"A-9,Z-A,a-Z,F1-A,A-F1,-", {}},
        {"F1-F12", Span(kF1, kF12)},
        {"F12-F1,F1-F13,FF-F1", {}},
        {"\\-", {'-'}},
        {"\\,,B", {',', 'B'}},
        {"A\\,", {','}},
        {"\\\\,B", {'B', '\\'}},
        {"\\a", {'a'}},
        {"*any,C", {'C'}, 1},
        {"*all,Z", Span(0, 255)},
        {"\x80,F\x80-F\xff", {0x80}},
    };
    for (const ListCase& c : cases) {
        uint8_t flags[kTableSize] = {};
        int32_t any = 0;
        ApplyKeyList(c.list, true, {flags, any});
        std::vector<int> enabled;
        for (int i = 0; i < static_cast<int>(kTableSize); ++i) {
            if (flags[i] != 0) {
                enabled.push_back(i);
            }
        }
        std::vector<int> expected = c.enabled;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(enabled, expected) << c.list;
        EXPECT_EQ(any, c.anyKeyMode) << c.list;

        // Disabling the same list clears what enabling set, any-key mode too.
        ApplyKeyList(c.list, false, {flags, any});
        EXPECT_EQ(std::count(std::begin(flags), std::end(flags), 0), 256) << c.list;
        EXPECT_EQ(any, 0) << c.list;
    }
}

TEST(KeyBindingsTest, DisablingAllEndsAnyKeyModeAndStopsTheList) {
    uint8_t flags[kTableSize] = {};
    int32_t any = 0;
    ApplyKeyList("*any,A-Z", true, {flags, any});
    ApplyKeyList("*all,*any", false, {flags, any});
    EXPECT_EQ(any, 0);
    ApplyKeyList("*all,*any", true, {flags, any});
    EXPECT_EQ(any, 0);
}

TEST(KeyBindingsTest, KeysAreNamedWithTheirModifiers) {
    const struct {
        uint32_t key;
        uint32_t modifiers;
        const char* name;
    } cases[] = {
        {'A', 8, "A"},           {'S', 2 | 8, "Control_S"},
        {0x71, 1, "Shift_F2"},   {0x7B, 7, "Shift_Control_Alt_F12"},
        {34, 8, "Quote"},        {32, 0, "Space"},
        {8, 8, "BackSpace"},     {0x22, 0, "PageDown"},
        {0x2E, 4, "Alt_Delete"}, {0x6F, 0, ""},
        {0x2C, 1, "Shift_"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeyName(c.key, c.modifiers), c.name) << c.key << " " << c.modifiers;
    }
}

}  // namespace
}  // namespace stagehand::keys
