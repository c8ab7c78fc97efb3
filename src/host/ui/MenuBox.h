// A menu of the player's own, put over the title: a caption and a column of items, drawn as
// the desktop drew its dialogs, the item with the focus in the caption's colours. While it
// stands it takes all input (the window system's modal window).
//
// Keys: Up and Down (Tab and Shift+Tab too) move the focus, wrapping; Return and Space choose
// the item with the focus, Escape closes the menu, each when it is released, so that none of
// the key reaches the title after the menu has gone; Left and Right change an item that has
// values (a volume, a choice of scaling), at each press and repeat. The mouse chooses an item
// pressed and released over it.
//
// Guarantees: an item's action runs after the key or button that chose it has been handled,
// and may close the menu (Close) or change what the items say (Refresh); `closed` is told once,
// whatever closed the menu, after its window has gone and the modal window is ended. A menu
// whose window goes otherwise (the play ends) tells nothing.
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

class MenuBox : public ModalBox {
  public:
    static constexpr size_t kMaxItems = 16;

    struct Item {
        std::function<std::string()> label;  // Windows-1252, asked at every paint
        std::function<void()> choose;
        std::function<void(int step)> change;  // -1 or +1; unset: the item has no values
    };

    // Shows the menu; false when it could not be made (no items, too many, one already shown).
    bool Show(WindowSystem& system, const std::string& caption, std::vector<Item> items,
              std::function<void()> closed);
    // Takes the menu down (the modal window ends, the focus goes back) and tells `closed`.
    void Close();
    // The items' labels changed.
    void Refresh();

    size_t Focused() const { return focused_; }
    // Where an item lies on the screen (tests).
    Rect ItemOnScreen(size_t index) const;

  protected:
    intptr_t OnMessage(const Message& message) override;

  private:
    void Paint();
    size_t ItemAt(Point p) const;
    void MoveFocus(int step);
    void Choose(size_t index);

    std::shared_ptr<const Font> font_;
    std::string caption_;
    std::vector<Item> items_;
    std::function<void()> closed_;
    int32_t captionHeight_ = 0;
    int32_t rowHeight_ = 0;
    int32_t rowsTop_ = 0;
    size_t focused_ = 0;
    size_t pressed_ = kMaxItems;
    uint8_t heldKey_ = 0;  // Return, Space or Escape, down in the menu
};

}  // namespace stagehand::host
