#include "host/ui/DialogLook.h"

#include "host/gfx/TextFormat.h"

namespace stagehand::host::dialog {

void Bevel(Canvas& canvas, const Rect& r, bool sunken) {
    const Color topLeft = sunken ? kBlack : kLight;
    const Color bottomRight = sunken ? kLight : kBlack;
    canvas.Fill({r.left, r.top, r.right, r.top + 1}, topLeft);
    canvas.Fill({r.left, r.top, r.left + 1, r.bottom}, topLeft);
    canvas.Fill({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    canvas.Fill({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    canvas.Fill({r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1}, kShadow);
    canvas.Fill({r.right - 2, r.top + 1, r.right - 1, r.bottom - 1}, kShadow);
}

void Dotted(Canvas& canvas, const Rect& r) {
    for (int32_t x = r.left; x < r.right; x += 2) {
        canvas.Fill({x, r.top, x + 1, r.top + 1}, kBlack);
        canvas.Fill({x, r.bottom - 1, x + 1, r.bottom}, kBlack);
    }
    for (int32_t y = r.top; y < r.bottom; y += 2) {
        canvas.Fill({r.left, y, r.left + 1, y + 1}, kBlack);
        canvas.Fill({r.right - 1, y, r.right, y + 1}, kBlack);
    }
}

void Outline(Canvas& canvas, const Rect& r) {
    canvas.Fill({r.left, r.top, r.right, r.top + 1}, kBlack);
    canvas.Fill({r.left, r.bottom - 1, r.right, r.bottom}, kBlack);
    canvas.Fill({r.left, r.top, r.left + 1, r.bottom}, kBlack);
    canvas.Fill({r.right - 1, r.top, r.right, r.bottom}, kBlack);
}

void Face(Canvas& canvas, const Rect& client, const Font& font, const std::string& caption,
          int32_t captionHeight) {
    canvas.Fill(client, kFace);
    Bevel(canvas, client, false);
    const Rect bar{3, 3, client.right - 3, 3 + captionHeight};
    canvas.Fill(bar, kCaption);
    canvas.DrawText(font, caption, {bar.left + 4, bar.top, bar.right, bar.bottom}, kLight,
                    text_format::kLeft | text_format::kVerticalCenter | text_format::kSingleLine);
}

}  // namespace stagehand::host::dialog
