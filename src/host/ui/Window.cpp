#include "host/ui/Window.h"

#include "host/ui/WindowSystem.h"

namespace stagehand::host {

Window::~Window() {
    // The object is going: its window goes too, but nothing more is delivered to it.
    if (system_ && system_->Exists(handle_)) {
        system_->Detach(this);
        system_->Destroy(handle_);
    }
}

bool Window::CreateWindow(WindowSystem& system, const WindowParams& params) {
    if (HasWindow())
        return false;
    system_ = &system;
    handle_ = system.Create(this, params);
    return static_cast<bool>(handle_);
}

void Window::DestroyWindow() {
    if (HasWindow())
        system_->Destroy(handle_);
}

bool Window::HasWindow() const {
    return system_ && system_->Exists(handle_);
}

intptr_t Window::DefaultMessage(const Message& message) {
    if (!system_)
        return 0;
    switch (message.id) {
        case msg::kClose:
            system_->Destroy(message.target);
            return 0;
        case msg::kPaint:
            // Beginning a paint erases what needs it and validates the window.
            system_->BeginPaint(message.target);
            return 0;
        case msg::kEraseBackground: {
            const WindowSystem::Record* record = system_->Find(message.target);
            if (!record || !record->background)
                return 0;
            Canvas canvas = system_->EraseCanvas(message.target);
            canvas.Fill(system_->ClientRect(message.target), *record->background);
            return 1;
        }
        default:
            return 0;
    }
}

}  // namespace stagehand::host
