// The object side of a window. A class that wants a window on screen derives from Window,
// creates its window through CreateWindow and receives the window's messages in OnMessage.
// Objects that never call CreateWindow cost nothing here and have no window.
//
// Lifetime: when the window is destroyed (by DestroyWindow, by the destruction of an
// ancestor, or by a close request's default handling) the object gets msg::kDestroy while the
// handle still works, then OnWindowGone once the window has left the system; an object that
// owns itself may delete itself there. Deleting the object first destroys its window without
// delivering anything more to the object.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/gfx/Color.h"
#include "host/gfx/Geometry.h"
#include "host/ui/Messages.h"

namespace stagehand::host {

class WindowSystem;

struct WindowParams {
    std::string title;  // Windows-1252
    uint32_t style = 0;
    Rect rect;  // in the parent's client coordinates; screen coordinates for top-level windows
    WindowHandle parent;        // needed for style::kChild; ignored otherwise
    bool doubleClicks = false;  // make double-click messages for quick second presses
    // The colour the default erase handling fills with; none: erasing leaves the pixels.
    std::optional<Color> background;
};

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    bool CreateWindow(WindowSystem& system, const WindowParams& params);
    void DestroyWindow();

    bool HasWindow() const;
    WindowHandle Handle() const { return handle_; }
    WindowSystem* System() const { return system_; }

  protected:
    friend class WindowSystem;

    // Receives every message for the window; pass what you do not handle to DefaultMessage.
    virtual intptr_t OnMessage(const Message& message) { return DefaultMessage(message); }
    // The desktop's default handling: a close request destroys the window, a paint message
    // erases and validates it, erasing fills with the window's background colour if it has one.
    intptr_t DefaultMessage(const Message& message);
    // The window has gone; nothing of the window system refers to this object any more.
    virtual void OnWindowGone() {}

  private:
    WindowSystem* system_ = nullptr;
    WindowHandle handle_;
};

}  // namespace stagehand::host
