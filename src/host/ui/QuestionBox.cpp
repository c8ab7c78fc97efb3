#include "host/ui/QuestionBox.h"

#include <algorithm>
#include <utility>

#include "host/gfx/Canvas.h"
#include "host/gfx/TextFormat.h"
#include "host/gfx/TextLayout.h"
#include "host/ui/DialogLook.h"
#include "host/ui/Keys.h"

namespace stagehand::host {

namespace {

constexpr int32_t kMargin = 12;
constexpr int32_t kGap = 8;
constexpr int32_t kMinButtonWidth = 75;
constexpr int32_t kMaxTextWidth = 400;

}  // namespace

bool QuestionBox::Show(WindowSystem& system, const std::string& caption,
                       const std::string& question, std::vector<std::string> buttons,
                       Answered answered) {
    if (HasWindow() || buttons.empty() || buttons.size() > kMaxButtons) {
        return false;
    }
    font_ = Font::Create("", 0);
    caption_ = caption.substr(0, kMaxTextBytes);
    text_ = question.substr(0, kMaxTextBytes);
    buttons_ = std::move(buttons);
    answered_ = std::move(answered);
    focused_ = buttons_.size() - 1;

    const Size screen = system.ScreenSize();
    const int32_t line = std::max(font_->LineHeight(), 1);
    const int32_t buttonHeight = line + 10;
    int32_t buttonsWidth = 0;
    std::vector<int32_t> widths;
    for (const std::string& label : buttons_) {
        widths.push_back(std::max(kMinButtonWidth, font_->MeasureWidth(label) + 2 * kGap));
        buttonsWidth += widths.back() + (widths.size() > 1 ? kGap : 0);
    }
    const int32_t inner = std::clamp(std::max(buttonsWidth, kMaxTextWidth), 1,
                                     std::max(1, screen.width - 2 * kMargin - 4));
    const int32_t width = inner + 2 * kMargin + 4;
    captionHeight_ = line + 4;
    // As many lines of the question as leave room for the rest on the screen.
    const int32_t rest = 2 + captionHeight_ + 2 * kMargin + kGap + buttonHeight + 2;
    const int32_t roomLines = std::max(1, (screen.height - rest) / line);
    const std::vector<TextLine> lines =
        LayoutText(*font_, text_, {0, 0, inner, line}, text_format::kWordBreak);
    const int32_t textLines =
        std::min<int32_t>(roomLines, static_cast<int32_t>(std::max<size_t>(lines.size(), 1)));
    if (lines.size() > static_cast<size_t>(textLines)) {
        const TextLine& last = lines[static_cast<size_t>(textLines) - 1];
        text_.resize(last.start + last.length);
    }
    const int32_t height = rest + textLines * line;
    textRect_ = Rect::FromSize(2 + kMargin, 2 + captionHeight_ + kMargin, inner, textLines * line);

    buttonRects_.clear();
    int32_t x = 2 + kMargin + (inner - buttonsWidth) / 2;
    const int32_t y = textRect_.bottom + kGap;
    for (const int32_t w : widths) {
        buttonRects_.push_back(Rect::FromSize(x, y, w, buttonHeight));
        x += w + kGap;
    }

    WindowParams params;
    params.title = caption_;
    params.rect =
        Rect::FromSize((screen.width - width) / 2, (screen.height - height) / 2, width, height);
    return OpenModal(system, params);
}

Rect QuestionBox::ButtonOnScreen(size_t index) const {
    const Rect r = buttonRects_.at(index);
    const Point origin = HasWindow() ? System()->ClientToScreen(Handle(), {0, 0}) : Point{};
    return Rect::FromSize(origin.x + r.left, origin.y + r.top, r.Width(), r.Height());
}

size_t QuestionBox::ButtonAt(Point p) const {
    for (size_t i = 0; i < buttonRects_.size(); ++i) {
        if (buttonRects_[i].Contains(p)) {
            return i;
        }
    }
    return kMaxButtons;
}

void QuestionBox::MoveFocus(int step) {
    const size_t count = buttons_.size();
    focused_ = (focused_ + count + (step > 0 ? 1 : count - 1)) % count;
    System()->Invalidate(Handle(), std::nullopt, false);
}

void QuestionBox::Choose(size_t index) {
    Answered answered = std::move(answered_);
    CloseModal();
    // The owner may delete the box here: nothing of it is touched after.
    if (answered) {
        answered(index);
    }
}

intptr_t QuestionBox::OnMessage(const Message& message) {
    WindowSystem& ws = *System();
    switch (message.id) {
        case msg::kEraseBackground:
            return 1;  // the paint covers every pixel
        case msg::kPaint:
            Paint();
            return 0;
        case msg::kKeyDown:
            switch (static_cast<uint8_t>(message.wParam)) {
                case vk::kLeft:
                    MoveFocus(-1);
                    return 0;
                case vk::kRight:
                    MoveFocus(1);
                    return 0;
                case vk::kTab:
                    MoveFocus(ws.IsKeyDown(vk::kShift) ? -1 : 1);
                    return 0;
                case vk::kReturn:
                case vk::kSpace:
                case vk::kEscape:
                    // Chosen when the key comes up, so that none of it (its character, its
                    // release) reaches the title once the box has gone.
                    heldKey_ = static_cast<uint8_t>(message.wParam);
                    return 0;
                default:
                    return 0;
            }
        case msg::kKeyUp:
            if (static_cast<uint8_t>(message.wParam) == heldKey_ && heldKey_ != 0) {
                Choose(heldKey_ == vk::kEscape ? buttons_.size() - 1 : focused_);
            }
            return 0;
        case msg::kLButtonDown:
        case msg::kLButtonDoubleClick:
            pressed_ = ButtonAt(UnpackPoint(message.lParam));
            if (pressed_ < buttons_.size()) {
                focused_ = pressed_;
                ws.SetCapture(Handle());
                ws.Invalidate(Handle(), std::nullopt, false);
            }
            return 0;
        case msg::kLButtonUp: {
            const size_t pressed = std::exchange(pressed_, kMaxButtons);
            if (ws.Capture() == Handle()) {
                ws.ReleaseCapture();
            }
            if (pressed < buttons_.size() && ButtonAt(UnpackPoint(message.lParam)) == pressed) {
                Choose(pressed);
                return 0;
            }
            ws.Invalidate(Handle(), std::nullopt, false);
            return 0;
        }
        case msg::kCancelMode:
        case msg::kCaptureChanged:
            if (pressed_ != kMaxButtons && message.id == msg::kCancelMode) {
                pressed_ = kMaxButtons;
                ws.Invalidate(Handle(), std::nullopt, false);
            }
            return 0;
        case msg::kClose:
            Choose(buttons_.size() - 1);
            return 0;
        default:
            return DefaultMessage(message);
    }
}

void QuestionBox::PaintButton(Canvas& canvas, size_t index) {
    const Rect r = buttonRects_[index];
    const bool sunken = index == pressed_;
    canvas.Fill(r, dialog::kFace);
    Rect frame = r;
    if (index == focused_) {
        // The default button's extra black frame, as the desktop drew it.
        dialog::Outline(canvas, r);
        frame = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    dialog::Bevel(canvas, frame, sunken);
    const int32_t shift = sunken ? 1 : 0;
    const Rect label{frame.left + shift, frame.top + shift, frame.right + shift,
                     frame.bottom + shift};
    canvas.DrawText(*font_, buttons_[index], label, kBlack,
                    text_format::kCenter | text_format::kVerticalCenter | text_format::kSingleLine);
    if (index == focused_) {
        dialog::Dotted(canvas, {frame.left + 4, frame.top + 4, frame.right - 4, frame.bottom - 4});
    }
}

void QuestionBox::Paint() {
    WindowSystem& ws = *System();
    Canvas canvas = ws.BeginPaint(Handle());
    const Rect client = ws.ClientRect(Handle());
    dialog::Face(canvas, client, *font_, caption_, captionHeight_);
    canvas.DrawText(*font_, text_, textRect_, kBlack, text_format::kWordBreak);
    for (size_t i = 0; i < buttons_.size(); ++i) {
        PaintButton(canvas, i);
    }
}

}  // namespace stagehand::host
