#include "host/ui/EditControl.h"

#include <algorithm>

#include "host/gfx/TextFormat.h"
#include "host/ui/Keys.h"
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

namespace {
constexpr Color kSelectionBackground = Rgb(0, 120, 215);
constexpr Color kSelectionText = Rgb(255, 255, 255);
constexpr uint8_t kControlA = 1, kControlC = 3, kControlV = 22, kControlX = 24;
}  // namespace

bool EditControl::Create(WindowSystem& system, WindowHandle parent, const Rect& rect,
                         Options options) {
    font_ = options.font ? std::move(options.font) : Font::Create("", 0);
    textColor_ = options.textColor.value_or(kBlack);
    background_ = options.background.value_or(Rgb(255, 255, 255));
    password_ = options.password;
    SetLimit(options.limit);
    WindowParams params;
    params.style = style::kChild | style::kVisible;
    params.rect = rect;
    params.parent = parent;
    params.doubleClicks = true;
    return CreateWindow(system, params);
}

void EditControl::SetText(std::string text) {
    text_ = std::move(text);
    anchor_ = caret_ = 0;
    Changed();
}

void EditControl::SetLimit(size_t limit) {
    limit_ = limit == 0 ? kDefaultLimit : limit;
}

void EditControl::SetFont(std::shared_ptr<const Font> font) {
    font_ = font ? std::move(font) : Font::Create("", 0);
    Changed();
}

void EditControl::SetSelection(size_t anchor, size_t caret) {
    anchor_ = std::min(anchor, text_.size());
    caret_ = std::min(caret, text_.size());
    Changed();
}

bool EditControl::HasFocus() const {
    return HasWindow() && System()->Focus() == Handle();
}

void EditControl::Focus() {
    if (HasWindow()) {
        System()->SetFocus(Handle());
    }
}

void EditControl::Copy() {
    if (password_ || anchor_ == caret_ || !HasWindow()) {
        return;
    }
    const size_t low = std::min(anchor_, caret_);
    System()->GetBackend().SetClipboardText(text_.substr(low, std::max(anchor_, caret_) - low));
}

void EditControl::Cut() {
    if (password_ || anchor_ == caret_) {
        return;
    }
    Copy();
    EraseSelection();
    Changed();
}

void EditControl::Paste() {
    if (HasWindow()) {
        ReplaceSelection(System()->GetBackend().ClipboardText());
    }
}

bool EditControl::ReplaceSelection(std::string_view text) {
    std::string insert;
    for (const char ch : text.substr(0, text.find_first_of("\r\n"))) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c != 0x7F) {
            insert += ch;
        }
    }
    const size_t low = std::min(anchor_, caret_);
    const size_t high = std::max(anchor_, caret_);
    std::string kept = text_;
    kept.erase(low, high - low);
    // Characters are taken while the line stays within the limit and the field's width.
    const int64_t room =
        HasWindow() ? int64_t{System()->ClientRect(Handle()).Width()} - 2 * kMargin : INT64_MAX;
    int64_t width = 0;
    for (const char c : password_ ? std::string(kept.size(), kMask) : kept) {
        width += font_->Advance(static_cast<unsigned char>(c));
    }
    size_t fits = 0;
    while (fits < insert.size() && kept.size() + fits < limit_) {
        width += font_->Advance(static_cast<unsigned char>(password_ ? kMask : insert[fits]));
        if (width > room) {
            break;
        }
        ++fits;
    }
    if (fits == 0) {
        return false;
    }
    text_ = kept.insert(low, insert, 0, fits);
    anchor_ = caret_ = low + fits;
    Changed();
    return true;
}

intptr_t EditControl::OnMessage(const Message& message) {
    WindowSystem& ws = *System();
    const WindowHandle self = Handle();
    switch (message.id) {
        case msg::kEraseBackground:
            return 1;  // the paint covers every pixel
        case msg::kPaint:
            Paint();
            return 0;
        case msg::kSetFocus:
            Changed();  // starts the caret; the selection shows only while focused
            return 0;
        case msg::kKillFocus:
            if (listener_ != nullptr) {
                listener_->OnFocusLost();
                if (!ws.Exists(self)) {
                    return 0;  // the listener destroyed the field
                }
            }
            ws.KillTimer(self, kBlinkTimer);
            caretOn_ = false;
            if (ws.Capture() == self) {
                ws.ReleaseCapture();
            }
            Changed();
            return 0;
        case msg::kTimer:
            if (message.wParam == kBlinkTimer) {
                caretOn_ = !caretOn_;
                ws.Invalidate(self, std::nullopt, false);
            }
            return 0;
        case msg::kKeyDown:
            // The notice goes behind the key's character, already queued: the owner hears of
            // the key once the field has handled all of it.
            ws.Post(self, kKeyNotice, message.wParam);
            HandleKey(static_cast<uint8_t>(message.wParam));
            return 0;
        case kKeyNotice:
            if (listener_ != nullptr) {
                listener_->OnKeyPressed(static_cast<uint8_t>(message.wParam));
            }
            return 0;
        case msg::kChar:
            HandleCharacter(static_cast<uint8_t>(message.wParam));
            return 0;
        case msg::kLButtonDown:
        case msg::kLButtonDoubleClick:
            Focus();
            if (!ws.Exists(self)) {
                return 0;  // the field that had the focus destroyed this one
            }
            if (message.id == msg::kLButtonDoubleClick) {
                SelectAll();
            } else {
                MoveCaret(IndexAt(UnpackPoint(message.lParam).x),
                          (message.wParam & mouse_keys::kShift) != 0);
                dragging_ = true;
                ws.SetCapture(self);
            }
            return 0;
        case msg::kMouseMove:
            if (dragging_) {
                MoveCaret(IndexAt(UnpackPoint(message.lParam).x), true);
            }
            return 0;
        case msg::kLButtonUp:
            if (dragging_ && ws.Capture() == self) {
                ws.ReleaseCapture();
            }
            dragging_ = false;
            return 0;
        case msg::kCancelMode:
            if (ws.Capture() == self) {
                ws.ReleaseCapture();
            }
            dragging_ = false;
            return 0;
        case msg::kCaptureChanged:
            dragging_ = false;
            return 0;
        case msg::kRButtonDown:
            Focus();  // and no menu
            return 0;
        case msg::kRButtonUp:
        case msg::kRButtonDoubleClick:
            return 0;
        default:
            return DefaultMessage(message);
    }
}

void EditControl::HandleKey(uint8_t key) {
    const bool shift = System()->IsKeyDown(vk::kShift);
    const bool control = System()->IsKeyDown(vk::kControl);
    const size_t low = std::min(anchor_, caret_);
    const size_t high = std::max(anchor_, caret_);
    switch (key) {
        case vk::kLeft:
            if (control) {
                MoveCaret(WordLeft(caret_), shift);
            } else if (!shift && low != high) {
                MoveCaret(low, false);
            } else {
                MoveCaret(caret_ > 0 ? caret_ - 1 : 0, shift);
            }
            return;
        case vk::kRight:
            if (control) {
                MoveCaret(WordRight(caret_), shift);
            } else if (!shift && low != high) {
                MoveCaret(high, false);
            } else {
                MoveCaret(std::min(caret_ + 1, text_.size()), shift);
            }
            return;
        case vk::kHome:
            MoveCaret(0, shift);
            return;
        case vk::kEnd:
            MoveCaret(text_.size(), shift);
            return;
        case vk::kDelete:
            if (shift) {
                Cut();
            } else if (low != high) {
                EraseSelection();
                Changed();
            } else if (caret_ < text_.size()) {
                text_.erase(caret_, 1);
                Changed();
            }
            return;
        case vk::kInsert:
            if (control) {
                Copy();
            } else if (shift) {
                Paste();
            }
            return;
        default:
            return;
    }
}

void EditControl::HandleCharacter(uint8_t c) {
    switch (c) {
        case 8:  // BackSpace
            if (anchor_ != caret_) {
                EraseSelection();
            } else if (caret_ > 0) {
                text_.erase(--caret_, 1);
                anchor_ = caret_;
            }
            Changed();
            return;
        case kControlA:
            SelectAll();
            return;
        case kControlC:
            Copy();
            return;
        case kControlV:
            Paste();
            return;
        case kControlX:
            Cut();
            return;
        default:
            if (c >= 0x20 && c != 0x7F) {
                ReplaceSelection(std::string(1, static_cast<char>(c)));
            }
            return;  // Enter, Escape, Tab and other control characters type nothing
    }
}

std::string EditControl::Shown() const {
    return password_ ? std::string(text_.size(), kMask) : text_;
}

int32_t EditControl::XOf(size_t index) const {
    return kMargin + font_->MeasureWidth(std::string_view(Shown()).substr(0, index));
}

size_t EditControl::IndexAt(int32_t x) const {
    const std::string shown = Shown();
    int64_t pen = kMargin;
    for (size_t i = 0; i < shown.size(); ++i) {
        const int32_t advance = font_->Advance(static_cast<unsigned char>(shown[i]));
        if (x < pen + advance / 2) {
            return i;
        }
        pen += advance;
    }
    return shown.size();
}

size_t EditControl::WordLeft(size_t from) const {
    while (from > 0 && text_[from - 1] == ' ') {
        --from;
    }
    while (from > 0 && text_[from - 1] != ' ') {
        --from;
    }
    return from;
}

size_t EditControl::WordRight(size_t from) const {
    while (from < text_.size() && text_[from] != ' ') {
        ++from;
    }
    while (from < text_.size() && text_[from] == ' ') {
        ++from;
    }
    return from;
}

void EditControl::MoveCaret(size_t to, bool extend) {
    caret_ = std::min(to, text_.size());
    if (!extend) {
        anchor_ = caret_;
    }
    Changed();
}

void EditControl::EraseSelection() {
    const size_t low = std::min(anchor_, caret_);
    text_.erase(low, std::max(anchor_, caret_) - low);
    anchor_ = caret_ = low;
}

void EditControl::RestartBlink() {
    if (HasFocus()) {
        caretOn_ = true;
        System()->SetTimer(Handle(), kBlinkTimer, kCaretBlinkMs);
    }
}

void EditControl::Changed() {
    if (HasWindow()) {
        RestartBlink();
        System()->Invalidate(Handle(), std::nullopt, false);
    }
}

void EditControl::Paint() {
    WindowSystem& ws = *System();
    Canvas canvas = ws.BeginPaint(Handle());
    const Rect client = ws.ClientRect(Handle());
    canvas.Fill(client, background_);
    const std::string shown = Shown();
    const int32_t line = font_->LineHeight();
    const uint32_t format = text_format::kLeft | text_format::kSingleLine;
    canvas.DrawText(*font_, shown, {kMargin, 0, client.right, line}, textColor_, format);
    if (!HasFocus()) {
        return;  // the selection and the caret show only while the field has the focus
    }
    if (anchor_ != caret_) {
        const size_t low = std::min(anchor_, caret_);
        const size_t high = std::max(anchor_, caret_);
        const Rect marked{XOf(low), 0, XOf(high), line};
        canvas.Fill(marked, kSelectionBackground);
        canvas.DrawText(*font_, std::string_view(shown).substr(low, high - low), marked,
                        kSelectionText, format);
    }
    if (caretOn_) {
        const int32_t x = XOf(caret_);
        canvas.Fill({x, 0, x + 1, line}, textColor_);
    }
}

}  // namespace stagehand::host
