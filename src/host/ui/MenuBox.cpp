#include "host/ui/MenuBox.h"

#include <algorithm>
#include <utility>

#include "host/gfx/Canvas.h"
#include "host/gfx/TextFormat.h"
#include "host/ui/DialogLook.h"
#include "host/ui/Keys.h"

namespace stagehand::host {

namespace {

constexpr int32_t kMargin = 8;
constexpr int32_t kMinWidth = 260;
constexpr const char* kHint = "Enter chooses, Left and Right change, Esc goes back";

}  // namespace

bool MenuBox::Show(WindowSystem& system, const std::string& caption, std::vector<Item> items,
                   std::function<void()> closed) {
    if (HasWindow() || items.empty() || items.size() > kMaxItems) {
        return false;
    }
    font_ = Font::Create("", 0);
    caption_ = caption;
    items_ = std::move(items);
    closed_ = std::move(closed);
    focused_ = 0;
    pressed_ = kMaxItems;
    heldKey_ = 0;

    const Size screen = system.ScreenSize();
    const int32_t line = std::max(font_->LineHeight(), 1);
    captionHeight_ = line + 4;
    rowHeight_ = line + 6;
    rowsTop_ = 3 + captionHeight_ + kMargin / 2;
    int32_t widest = font_->MeasureWidth(kHint);
    for (const Item& item : items_) {
        widest = std::max(widest, font_->MeasureWidth(item.label ? item.label() : std::string()));
    }
    const int32_t width = std::min(std::max(kMinWidth, widest + 2 * kMargin + 16), screen.width);
    const int32_t rows = static_cast<int32_t>(items_.size());
    const int32_t height =
        std::min(rowsTop_ + rows * rowHeight_ + kMargin / 2 + line + kMargin, screen.height);

    WindowParams params;
    params.title = caption_;
    params.rect =
        Rect::FromSize((screen.width - width) / 2, (screen.height - height) / 2, width, height);
    return OpenModal(system, params);
}

void MenuBox::Close() {
    if (!HasWindow()) {
        return;
    }
    std::function<void()> closed = std::move(closed_);
    closed_ = nullptr;
    CloseModal();
    if (closed) {
        closed();
    }
}

void MenuBox::Refresh() {
    if (HasWindow()) {
        System()->Invalidate(Handle(), std::nullopt, false);
    }
}

Rect MenuBox::ItemOnScreen(size_t index) const {
    const int32_t width = HasWindow() ? System()->ClientRect(Handle()).Width() : 0;
    const Rect r = Rect::FromSize(3, rowsTop_ + static_cast<int32_t>(index) * rowHeight_,
                                  std::max(0, width - 6), rowHeight_);
    const Point origin = HasWindow() ? System()->ClientToScreen(Handle(), {0, 0}) : Point{};
    return Rect::FromSize(origin.x + r.left, origin.y + r.top, r.Width(), r.Height());
}

size_t MenuBox::ItemAt(Point p) const {
    if (p.y < rowsTop_ || rowHeight_ <= 0) {
        return kMaxItems;
    }
    const auto row = static_cast<size_t>((p.y - rowsTop_) / rowHeight_);
    return row < items_.size() ? row : kMaxItems;
}

void MenuBox::MoveFocus(int step) {
    const size_t count = items_.size();
    focused_ = (focused_ + count + (step > 0 ? 1 : count - 1)) % count;
    Refresh();
}

void MenuBox::Choose(size_t index) {
    if (index >= items_.size()) {
        return;
    }
    focused_ = index;
    Refresh();
    // The action may close the menu or show it anew: it gets its own copy.
    const std::function<void()> action = items_[index].choose;
    if (action) {
        action();
    }
}

intptr_t MenuBox::OnMessage(const Message& message) {
    WindowSystem& ws = *System();
    switch (message.id) {
        case msg::kEraseBackground:
            return 1;  // the paint covers every pixel
        case msg::kPaint:
            Paint();
            return 0;
        case msg::kKeyDown:
            switch (static_cast<uint8_t>(message.wParam)) {
                case vk::kUp:
                    MoveFocus(-1);
                    return 0;
                case vk::kDown:
                    MoveFocus(1);
                    return 0;
                case vk::kTab:
                    MoveFocus(ws.IsKeyDown(vk::kShift) ? -1 : 1);
                    return 0;
                case vk::kLeft:
                case vk::kRight:
                    if (const auto change = items_[focused_].change) {
                        change(message.wParam == vk::kLeft ? -1 : 1);
                        Refresh();
                    }
                    return 0;
                case vk::kReturn:
                case vk::kSpace:
                case vk::kEscape:
                    heldKey_ = static_cast<uint8_t>(message.wParam);
                    return 0;
                default:
                    return 0;
            }
        case msg::kKeyUp:
            if (static_cast<uint8_t>(message.wParam) == heldKey_ && heldKey_ != 0) {
                const uint8_t key = std::exchange(heldKey_, 0);
                if (key == vk::kEscape) {
                    Close();
                } else {
                    Choose(focused_);
                }
            }
            return 0;
        case msg::kLButtonDown:
        case msg::kLButtonDoubleClick:
            pressed_ = ItemAt(UnpackPoint(message.lParam));
            if (pressed_ < items_.size()) {
                focused_ = pressed_;
                ws.SetCapture(Handle());
                Refresh();
            }
            return 0;
        case msg::kLButtonUp: {
            const size_t pressed = std::exchange(pressed_, kMaxItems);
            if (ws.Capture() == Handle()) {
                ws.ReleaseCapture();
            }
            if (pressed < items_.size() && ItemAt(UnpackPoint(message.lParam)) == pressed) {
                Choose(pressed);
            }
            return 0;
        }
        case msg::kCancelMode:
            pressed_ = kMaxItems;
            return 0;
        case msg::kClose:
            Close();
            return 0;
        default:
            return DefaultMessage(message);
    }
}

void MenuBox::Paint() {
    WindowSystem& ws = *System();
    Canvas canvas = ws.BeginPaint(Handle());
    const Rect client = ws.ClientRect(Handle());
    dialog::Face(canvas, client, *font_, caption_, captionHeight_);
    for (size_t i = 0; i < items_.size(); ++i) {
        const Rect row = Rect::FromSize(3, rowsTop_ + static_cast<int32_t>(i) * rowHeight_,
                                        client.Width() - 6, rowHeight_);
        const bool focused = i == focused_;
        if (focused) {
            canvas.Fill(row, dialog::kCaption);
        }
        const std::string label = items_[i].label ? items_[i].label() : std::string();
        canvas.DrawText(
            *font_, label, {row.left + kMargin, row.top, row.right - kMargin, row.bottom},
            focused ? dialog::kLight : dialog::kText,
            text_format::kLeft | text_format::kVerticalCenter | text_format::kSingleLine);
        if (items_[i].change) {
            canvas.DrawText(
                *font_, "< >", {row.left, row.top, row.right - kMargin, row.bottom},
                focused ? dialog::kLight : dialog::kShadow,
                text_format::kRight | text_format::kVerticalCenter | text_format::kSingleLine);
        }
    }
    const int32_t hintTop =
        rowsTop_ + static_cast<int32_t>(items_.size()) * rowHeight_ + kMargin / 2;
    canvas.DrawText(*font_, kHint, {kMargin, hintTop, client.right - kMargin, client.bottom - 3},
                    dialog::kShadow,
                    text_format::kCenter | text_format::kVerticalCenter | text_format::kSingleLine);
}

}  // namespace stagehand::host
