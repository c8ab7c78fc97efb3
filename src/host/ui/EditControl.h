// A one-line text entry field, as a desktop user expects one: a blinking caret while it has
// the keyboard focus, typing, BackSpace and Delete, Left/Right/Home/End (Control+Left/Right by
// words), Shift with those keys and mouse dragging to select, double-click and Control+A to
// select all, and Control+X/C/V (Shift+Delete, Control+Insert, Shift+Insert) through the
// backend's clipboard. Typing replaces the selection. A left or right press takes the focus;
// the right button shows no menu.
//
// Text is Windows-1252 bytes. The field never scrolls: a character that would carry the text
// past the field's width is refused, and a paste inserts as much as fits. The character limit
// works the same way. In password mode every character shows as kMask and the text cannot be
// copied or cut out of the field.
//
// The owner hears of two things through its Listener: every key that goes down in the field,
// posted so that it arrives after the field has handled the key (and its character), and the
// loss of the focus, at once, before the window that takes it hears of it.
//
// Where it bites: SetText puts any text in, past the width and the limit; only what the user
// types or pastes is held to them. A listener may destroy the field from either notice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/gfx/Color.h"
#include "host/gfx/Font.h"
#include "host/ui/Window.h"

namespace stagehand::host {

class EditControl : public Window {
  public:
    class Listener {
      public:
        virtual ~Listener() = default;
        virtual void OnKeyPressed(uint8_t virtualKey) = 0;
        virtual void OnFocusLost() = 0;
    };

    struct Options {
        std::shared_ptr<const Font> font;  // none: the default 12-point face
        std::optional<Color> textColor;    // none: black
        std::optional<Color> background;   // none: white
        bool password = false;
        size_t limit = 0;  // the most characters the user can type; 0: kDefaultLimit
    };

    static constexpr size_t kDefaultLimit = 30000;
    static constexpr char kMask = '*';
    static constexpr uint32_t kCaretBlinkMs = 530;
    // Blank pixels left and right of the text.
    static constexpr int32_t kMargin = 1;

    explicit EditControl(Listener* listener = nullptr) : listener_(listener) {}

    // A visible child window of `parent` at `rect` (the parent's client coordinates).
    bool Create(WindowSystem& system, WindowHandle parent, const Rect& rect, Options options);

    const std::string& Text() const { return text_; }
    // Replaces the text and puts the caret at its start, as the desktop's fields do.
    void SetText(std::string text);
    // 0: kDefaultLimit. Text already longer stays.
    void SetLimit(size_t limit);
    size_t Limit() const { return limit_; }
    void SetFont(std::shared_ptr<const Font> font);

    // The selection runs from the anchor to the caret (either way round); empty when equal.
    size_t Caret() const { return caret_; }
    size_t Anchor() const { return anchor_; }
    // Both are cut to the text's length.
    void SetSelection(size_t anchor, size_t caret);
    void SelectAll() { SetSelection(0, text_.size()); }

    // The clipboard commands; copy and cut do nothing in password mode.
    void Cut();
    void Copy();
    void Paste();
    // Replaces the selection with as much of `text` as fits (control characters left out, cut
    // at a line break), as typing and pasting do; false when nothing of it fit.
    bool ReplaceSelection(std::string_view text);

    bool HasFocus() const;
    // Takes the keyboard focus.
    void Focus();

  protected:
    intptr_t OnMessage(const Message& message) override;

  private:
    static constexpr uint32_t kKeyNotice = msg::kUser + 1;
    static constexpr uintptr_t kBlinkTimer = 1;

    void HandleKey(uint8_t virtualKey);
    void HandleCharacter(uint8_t character);
    void Paint();
    // What the field shows: the text, or its mask.
    std::string Shown() const;
    // The character boundary nearest to x (client coordinates).
    size_t IndexAt(int32_t x) const;
    int32_t XOf(size_t index) const;
    size_t WordLeft(size_t from) const;
    size_t WordRight(size_t from) const;
    void MoveCaret(size_t to, bool extend);
    void EraseSelection();
    // Shows the caret at once and starts its blinking over, as after every edit.
    void RestartBlink();
    void Changed();

    Listener* listener_;
    std::shared_ptr<const Font> font_;
    Color textColor_ = kBlack;
    Color background_ = Rgb(255, 255, 255);
    bool password_ = false;
    size_t limit_ = kDefaultLimit;
    std::string text_;
    size_t anchor_ = 0;
    size_t caret_ = 0;
    bool caretOn_ = false;
    bool dragging_ = false;
};

}  // namespace stagehand::host
