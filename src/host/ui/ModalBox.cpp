#include "host/ui/ModalBox.h"

namespace stagehand::host {

bool ModalBox::OpenModal(WindowSystem& system, WindowParams params) {
    params.style |= style::kPopup | style::kVisible | style::kSaveBits;
    previousFocus_ = system.Focus();
    previousModal_ = system.Modal();
    if (!CreateWindow(system, params)) {
        return false;
    }
    system.ReleaseCapture();
    system.SetModal(Handle());
    system.SetFocus(Handle());
    return true;
}

void ModalBox::CloseModal() {
    if (!HasWindow()) {
        return;
    }
    WindowSystem& ws = *System();
    ws.SetModal(previousModal_ && ws.Exists(previousModal_) ? previousModal_ : WindowHandle{});
    if (ws.Capture() == Handle()) {
        ws.ReleaseCapture();
    }
    if (previousFocus_ && ws.Exists(previousFocus_)) {
        ws.SetFocus(previousFocus_);
    }
    DestroyWindow();
}

}  // namespace stagehand::host
