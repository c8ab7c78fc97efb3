// A box of the player's own over the title (a question, the menu, the pause mark): while it
// stands it takes all input as the window system's modal window, and keeps the pixels it
// covers to put them back when it goes.
//
// Guarantees: closing gives the modal window and the focus back to what had them when the box
// opened, if they still stand, so a box opened over another (the menu over a question) leaves
// the one below holding the input again.
#pragma once

#include "host/ui/Window.h"
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

class ModalBox : public Window {
  protected:
    // Makes the box's top-level window (kPopup, kVisible and kSaveBits are added to `params`)
    // and gives it the input; false when the window could not be made.
    bool OpenModal(WindowSystem& system, WindowParams params);
    // Gives the input back and destroys the window.
    void CloseModal();

  private:
    WindowHandle previousFocus_;
    WindowHandle previousModal_;
};

}  // namespace stagehand::host
