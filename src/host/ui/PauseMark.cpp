#include "host/ui/PauseMark.h"

#include <algorithm>
#include <utility>

#include "host/gfx/Canvas.h"
#include "host/gfx/TextFormat.h"
#include "host/ui/DialogLook.h"
#include "host/ui/Keys.h"

namespace stagehand::host {

namespace {
constexpr int32_t kMargin = 10;
constexpr int32_t kBigPoints = 18;
}  // namespace

bool PauseMark::Show(WindowSystem& system, const std::string& hint, std::function<void()> resume) {
    if (HasWindow()) {
        return false;
    }
    font_ = Font::Create("", 0);
    big_ = Font::Create("", kBigPoints);
    hint_ = hint;
    resume_ = std::move(resume);
    escapeDown_ = false;
    const Size screen = system.ScreenSize();
    const int32_t width =
        std::min(std::max(big_->MeasureWidth("Paused"), font_->MeasureWidth(hint_)) + 2 * kMargin,
                 screen.width);
    const int32_t height =
        std::min(big_->LineHeight() + font_->LineHeight() + 2 * kMargin, screen.height);
    WindowParams params;
    params.title = "Paused";
    params.rect = Rect::FromSize((screen.width - width) / 2, std::min(16, screen.height - height),
                                 width, height);
    return OpenModal(system, params);
}

void PauseMark::Hide() {
    resume_ = nullptr;
    CloseModal();
}

void PauseMark::AskResume() {
    // The owner hides the mark from here: nothing of it is touched after.
    if (std::function<void()> resume = std::exchange(resume_, nullptr)) {
        resume();
    }
}

intptr_t PauseMark::OnMessage(const Message& message) {
    switch (message.id) {
        case msg::kEraseBackground:
            return 1;
        case msg::kPaint:
            Paint();
            return 0;
        case msg::kKeyDown:
            escapeDown_ = escapeDown_ || message.wParam == vk::kEscape;
            return 0;
        case msg::kKeyUp:
            if (message.wParam == vk::kEscape && escapeDown_) {
                AskResume();
            }
            return 0;
        case msg::kLButtonUp:
            AskResume();
            return 0;
        default:
            return DefaultMessage(message);
    }
}

void PauseMark::Paint() {
    WindowSystem& ws = *System();
    Canvas canvas = ws.BeginPaint(Handle());
    const Rect client = ws.ClientRect(Handle());
    canvas.Fill(client, dialog::kFace);
    dialog::Bevel(canvas, client, false);
    const int32_t bigLine = big_->LineHeight();
    canvas.DrawText(*big_, "Paused", {0, kMargin, client.right, kMargin + bigLine},
                    dialog::kCaption,
                    text_format::kCenter | text_format::kVerticalCenter | text_format::kSingleLine);
    canvas.DrawText(*font_, hint_, {0, kMargin + bigLine, client.right, client.bottom - kMargin},
                    dialog::kText,
                    text_format::kCenter | text_format::kVerticalCenter | text_format::kSingleLine);
}

}  // namespace stagehand::host
