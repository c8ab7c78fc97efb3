// A question of the player's own, put over the title: a box in the middle of the screen
// with a caption, the question and a row of buttons, drawn as the desktop drew its dialogs.
// While it stands it takes all input (the window system's modal window): the title goes on
// playing underneath, but neither the pointer nor the keys reach it.
//
// Keys: Left and Right (Tab and Shift+Tab too) move between the buttons, Return and Space
// choose the one that has the focus, Escape chooses the last; each when it is released. A button is
// chosen by the mouse when it is pressed and released over it. The last button has the focus first,
// so a key pressed by chance chooses the cautious answer.
//
// Guarantees: the answer comes once, after the box's window has gone and the modal window
// is ended (the focus goes back where it was, if that window still stands); the owner may
// delete the box from the answer. A box whose window goes otherwise (the play ends) gives no
// answer. The text is cut to kMaxTextBytes and to what fits on the screen.
// A second box takes the modal window over, and when it goes the first holds input again
// (ModalBox).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/gfx/Font.h"
#include "host/ui/ModalBox.h"
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

class QuestionBox : public ModalBox {
  public:
    static constexpr size_t kMaxTextBytes = 600;
    static constexpr size_t kMaxButtons = 4;
    using Answered = std::function<void(size_t button)>;

    // Shows the question (Windows-1252) with its buttons (at least one, at most kMaxButtons)
    // under `caption`; false when the box could not be made.
    bool Show(WindowSystem& system, const std::string& caption, const std::string& question,
              std::vector<std::string> buttons, Answered answered);

    // The button that has the focus, and where a button lies on the screen (tests).
    size_t Focused() const { return focused_; }
    Rect ButtonOnScreen(size_t index) const;

  protected:
    intptr_t OnMessage(const Message& message) override;

  private:
    static constexpr uint32_t kChosen = msg::kUser + 1;

    void Paint();
    void PaintButton(Canvas& canvas, size_t index);
    // The button under a point of the client area, or kMaxButtons.
    size_t ButtonAt(Point p) const;
    void MoveFocus(int step);
    void Choose(size_t index);

    std::shared_ptr<const Font> font_;
    std::string caption_;
    std::string text_;
    std::vector<std::string> buttons_;
    std::vector<Rect> buttonRects_;
    Rect textRect_;
    int32_t captionHeight_ = 0;
    size_t focused_ = 0;
    size_t pressed_ = kMaxButtons;
    uint8_t heldKey_ = 0;  // Return, Space or Escape, down in the box
    Answered answered_;
};

}  // namespace stagehand::host
