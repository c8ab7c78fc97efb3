// Text drawing flags, with the desktop's values so that title logic can pass its alignment
// (0 left, 1 centre, 2 right) and mode (32 single line) through unchanged.
#pragma once

#include <cstdint>

namespace stagehand::host {

namespace text_format {
constexpr uint32_t kLeft = 0x00;
constexpr uint32_t kCenter = 0x01;
constexpr uint32_t kRight = 0x02;
// Centres the text vertically; honoured for single-line text only, as on the desktop:
// wrapped text always starts at the top of its rectangle.
constexpr uint32_t kVerticalCenter = 0x04;
// Breaks lines between words where a line would pass the rectangle's right edge.
constexpr uint32_t kWordBreak = 0x10;
// One line only: carriage returns and line feeds do not break it.
constexpr uint32_t kSingleLine = 0x20;
}  // namespace text_format

}  // namespace stagehand::host
