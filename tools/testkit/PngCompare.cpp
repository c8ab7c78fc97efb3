#include "PngCompare.h"

#include <cstdio>
#include <cstdlib>

namespace stagehand::testkit {

namespace {

std::string Hex(host::Color c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(c & 0xFFFFFF));
    return text;
}

bool Close(host::Color a, host::Color b, int tolerance) {
    auto near = [tolerance](uint8_t x, uint8_t y) { return std::abs(x - y) <= tolerance; };
    return near(host::RedOf(a), host::RedOf(b)) && near(host::GreenOf(a), host::GreenOf(b)) &&
           near(host::BlueOf(a), host::BlueOf(b));
}

}  // namespace

Comparison CompareImages(const host::Surface& expected, const host::Surface& actual,
                         int tolerance) {
    if (expected.Dimensions() != actual.Dimensions()) {
        return {false, "sizes differ: expected " + std::to_string(expected.Width()) + " x " +
                           std::to_string(expected.Height()) + ", actual " +
                           std::to_string(actual.Width()) + " x " +
                           std::to_string(actual.Height())};
    }
    uint64_t differing = 0;
    std::string first;
    for (int32_t y = 0; y < expected.Height(); ++y) {
        for (int32_t x = 0; x < expected.Width(); ++x) {
            const host::Color want = expected.Row(y)[x];
            const host::Color got = actual.Row(y)[x];
            if (Close(want, got, tolerance)) {
                continue;
            }
            if (differing++ == 0) {
                first = "(" + std::to_string(x) + ", " + std::to_string(y) + "): expected " +
                        Hex(want) + ", actual " + Hex(got);
            }
        }
    }
    if (differing == 0) {
        return {true, ""};
    }
    const uint64_t total = static_cast<uint64_t>(expected.Width()) * expected.Height();
    return {false, std::to_string(differing) + " of " + std::to_string(total) +
                       " pixels differ by more than " + std::to_string(tolerance) +
                       "; the first at " + first};
}

}  // namespace stagehand::testkit
