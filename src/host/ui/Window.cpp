#include "host/ui/Window.h"

#include "host/ui/WindowSystem.h"

namespace stagehand::host {

Window::~Window() {
    // The object is going: its window goes too, but nothing more is delivered to it. An object
    // whose window is already gone does not ask its window system, which may be gone as well.
    if (HasWindow()) {
        system_->Detach(this);
        system_->Destroy(handle_);
    }
}

bool Window::CreateWindow(WindowSystem& system, const WindowParams& params) {
    if (HasWindow()) {
        return false;
    }
    system_ = &system;
    handle_ = system.Create(this, params);
    return static_cast<bool>(handle_);
}

void Window::DestroyWindow() {
    if (HasWindow()) {
        system_->Destroy(handle_);
    }
}

bool Window::HasWindow() const {
    return system_ && handle_ && system_->Exists(handle_);
}

intptr_t Window::DefaultMessage(const Message& message) {
    return system_ ? system_->DefaultProcess(message) : 0;
}

}  // namespace stagehand::host
