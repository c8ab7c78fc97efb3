// The window system's side of input: capture and focus changes with their notices, the
// pointer, and the backend's input handed to the router.
#include <algorithm>

#include "host/ui/Keys.h"
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

WindowHandle WindowSystem::SetCapture(WindowHandle window) {
    const WindowHandle previous = input_.Capture();
    if (!Exists(window) || window == previous) {
        return previous;
    }
    input_.SetCapture(window);
    if (previous) {
        Send(previous, msg::kCaptureChanged, 0, static_cast<intptr_t>(window.value));
    }
    return previous;
}

void WindowSystem::ReleaseCapture() {
    const WindowHandle previous = input_.Capture();
    if (!previous) {
        return;
    }
    input_.SetCapture({});
    Send(previous, msg::kCaptureChanged, 0, 0);
}

WindowHandle WindowSystem::SetFocus(WindowHandle window) {
    const WindowHandle previous = input_.Focus();
    if (window && !Exists(window)) {
        return previous;
    }
    if (window == previous) {
        return previous;
    }
    input_.SetFocus(window);
    if (previous) {
        Send(previous, msg::kKillFocus, window.value);
    }
    if (window && input_.Focus() == window) {
        Send(window, msg::kSetFocus, previous.value);
    }
    return previous;
}

void WindowSystem::SetPointerPosition(Point position) {
    const Size screen = ScreenSize();
    position.x = std::clamp(position.x, 0, std::max(0, screen.width - 1));
    position.y = std::clamp(position.y, 0, std::max(0, screen.height - 1));
    backend_.WarpPointer(position);
    PointerMoved(position);
}

int WindowSystem::ShowPointer(bool show) {
    const int count = input_.ChangeShowCount(show);
    backend_.SetPointerVisible(count >= 0);
    return count;
}

void WindowSystem::PointerMoved(Point position) {
    input_.PointerMoved(position);
}

void WindowSystem::ButtonChanged(MouseButton button, bool down, Point position) {
    input_.ButtonChanged(button, down, position);
}

void WindowSystem::KeyChanged(uint8_t virtualKey, bool down, bool repeat) {
    const HotKeys::Verdict verdict =
        hotKeys_.Filter(virtualKey, down, repeat, input_.IsKeyDownNow(vk::kControl),
                        input_.IsKeyDownNow(vk::kMenu));
    if (verdict.hit && Exists(verdict.hit->window)) {
        Post(verdict.hit->window, msg::kHotKey, verdict.hit->id);
    }
    if (verdict.swallowed) {
        return;
    }
    input_.KeyChanged(virtualKey, down, repeat);
}

void WindowSystem::CharacterTyped(uint8_t character) {
    input_.CharacterTyped(character);
}

void WindowSystem::CloseRequested() {
    // The title hears the request: it must be playing to answer it.
    SetPaused(false);
    if (Exists(main_)) {
        Post(main_, msg::kClose);
    } else {
        PostQuit(0);
    }
}

void WindowSystem::FileDropped(const std::string& path) {
    if (dropHook_) {
        dropHook_(path);
    }
}

}  // namespace stagehand::host
