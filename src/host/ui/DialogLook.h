// How the player's own boxes look: the desktop's dialogs of the time, grey faces with raised
// frames and a navy caption. Shared by the question box, the menu and the pause mark.
#pragma once

#include <string>

#include "host/gfx/Canvas.h"
#include "host/gfx/Color.h"
#include "host/gfx/Font.h"

namespace stagehand::host::dialog {

constexpr Color kFace = Rgb(0xC0, 0xC0, 0xC0);
constexpr Color kLight = Rgb(0xFF, 0xFF, 0xFF);
constexpr Color kShadow = Rgb(0x80, 0x80, 0x80);
constexpr Color kCaption = Rgb(0x00, 0x00, 0x80);
constexpr Color kText = Rgb(0x00, 0x00, 0x00);

// A raised (or, pressed, sunken) frame of two pixels just inside `r`.
void Bevel(Canvas& canvas, const Rect& r, bool sunken);
// A one-pixel dotted frame, the mark of what has the focus.
void Dotted(Canvas& canvas, const Rect& r);
// A one-pixel black frame just inside `r` (the default button's).
void Outline(Canvas& canvas, const Rect& r);
// The box's face with its raised frame over the whole client area, and the caption bar of
// `captionHeight` under its top edge.
void Face(Canvas& canvas, const Rect& client, const Font& font, const std::string& caption,
          int32_t captionHeight);

}  // namespace stagehand::host::dialog
