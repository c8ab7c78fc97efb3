// How the logical screen is enlarged to the window: the choice the user makes with --scale
// and keeps in the settings. Plain values, no SDL, so the application and both backends share
// them.
//
//   sharp    the largest whole multiple that fits, with nearest neighbours, then one smooth
//            step to the window (aspect kept): crisp text at any window size; at a whole
//            scale it is exactly nearest.
//   nearest  nearest neighbours straight to the window (aspect kept).
//   smooth   linear filtering to the window (nearest at a whole scale).
//   integer  whole multiples only (at least 1), centred, with bars around.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace stagehand::host {

enum class ScaleMode { kSharp, kNearest, kSmooth, kInteger };

inline constexpr std::array<ScaleMode, 4> kScaleModes{ScaleMode::kSharp, ScaleMode::kNearest,
                                                      ScaleMode::kSmooth, ScaleMode::kInteger};

// "sharp", "nearest", "smooth", "integer".
constexpr std::string_view ScaleModeName(ScaleMode mode) {
    switch (mode) {
        case ScaleMode::kSharp:
            return "sharp";
        case ScaleMode::kNearest:
            return "nearest";
        case ScaleMode::kSmooth:
            return "smooth";
        case ScaleMode::kInteger:
            return "integer";
    }
    return "sharp";
}

// The mode a name gives (exactly as ScaleModeName writes it); nothing for another word.
constexpr std::optional<ScaleMode> ParseScaleMode(std::string_view name) {
    for (const ScaleMode mode : kScaleModes) {
        if (ScaleModeName(mode) == name) {
            return mode;
        }
    }
    return std::nullopt;
}

}  // namespace stagehand::host
