// Window handles, window styles and the messages the window system delivers. Styles and
// message numbers are the desktop's own, so title logic written against the desktop's rules
// (a zone that rewrites a mouse message into cancel mode, a key handler that reads bit 0x4000
// of the key flags) reads the same here. Parameters are packed the desktop's way too; use the
// helpers below rather than unpacking by hand.
#pragma once

#include <cstdint>

#include "host/gfx/Geometry.h"

namespace stagehand::host {

// Names a window. Handles are never reused, so a handle kept after its window is gone simply
// names no window: messages to it are dropped and Exists() answers false.
struct WindowHandle {
    uint32_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend bool operator==(WindowHandle, WindowHandle) = default;
};

namespace style {
constexpr uint32_t kPopup = 0x80000000;
constexpr uint32_t kChild = 0x40000000;
constexpr uint32_t kVisible = 0x10000000;
constexpr uint32_t kDisabled = 0x08000000;
constexpr uint32_t kClipSiblings = 0x04000000;
// A top-level window that keeps the pixels it covers when it is made and puts them back when
// it goes, for what beneath does not paint itself again (the player's own boxes).
constexpr uint32_t kSaveBits = 0x00000800;
}  // namespace style

namespace msg {
constexpr uint32_t kDestroy = 0x0002;    // children are gone; the window goes after this
constexpr uint32_t kSetFocus = 0x0007;   // wParam: the window that lost the focus
constexpr uint32_t kKillFocus = 0x0008;  // wParam: the window that takes the focus
constexpr uint32_t kPaint = 0x000F;
constexpr uint32_t kClose = 0x0010;            // a request to close; default: destroy
constexpr uint32_t kQuit = 0x0012;             // ends the message loop; wParam: exit code
constexpr uint32_t kEraseBackground = 0x0014;  // answer non-zero when the background is done
constexpr uint32_t kCancelMode = 0x001F;       // leave any mouse mode (capture, pressed state)
constexpr uint32_t kKeyDown = 0x0100;
constexpr uint32_t kKeyUp = 0x0101;
constexpr uint32_t kChar = 0x0102;
constexpr uint32_t kSysKeyDown = 0x0104;  // a key pressed while Alt is held (or Alt itself)
constexpr uint32_t kSysKeyUp = 0x0105;
constexpr uint32_t kSysChar = 0x0106;  // the character of an Alt key combination
constexpr uint32_t kHotKey = 0x0312;   // wParam: the id the player's key was registered with
constexpr uint32_t kTimer = 0x0113;    // wParam: the timer's id
constexpr uint32_t kMouseMove = 0x0200;
constexpr uint32_t kLButtonDown = 0x0201;
constexpr uint32_t kLButtonUp = 0x0202;
constexpr uint32_t kLButtonDoubleClick = 0x0203;
constexpr uint32_t kRButtonDown = 0x0204;
constexpr uint32_t kRButtonUp = 0x0205;
constexpr uint32_t kRButtonDoubleClick = 0x0206;
constexpr uint32_t kCaptureChanged = 0x0215;  // to the window losing the capture; lParam: new
constexpr uint32_t kUser = 0x0400;            // first number a window class may use privately

inline bool IsMouse(uint32_t id) {
    return id >= kMouseMove && id <= kRButtonDoubleClick;
}
}  // namespace msg

// Mouse messages' wParam: which buttons and modifier keys are down.
namespace mouse_keys {
constexpr uint32_t kLeft = 0x0001;
constexpr uint32_t kRight = 0x0002;
constexpr uint32_t kShift = 0x0004;
constexpr uint32_t kControl = 0x0008;
}  // namespace mouse_keys

// Key messages' flags (the high half of lParam).
namespace key_flags {
constexpr uint32_t kAltDown = 0x2000;
constexpr uint32_t kRepeat = 0x4000;  // the key was already down: auto-repeat
constexpr uint32_t kReleased = 0x8000;
}  // namespace key_flags

struct Message {
    WindowHandle target;
    uint32_t id = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    Point screen;       // where the pointer was when the message was made
    uint32_t time = 0;  // the clock when the message was made
};

// A point in a mouse message's lParam: 16 bits each, x low, y high, both signed.
inline intptr_t PackPoint(Point p) {
    return static_cast<intptr_t>(static_cast<uint32_t>(static_cast<uint16_t>(p.x)) |
                                 (static_cast<uint32_t>(static_cast<uint16_t>(p.y)) << 16));
}
inline Point UnpackPoint(intptr_t lParam) {
    const auto bits = static_cast<uint32_t>(lParam);
    return {static_cast<int16_t>(bits & 0xFFFF), static_cast<int16_t>(bits >> 16)};
}
inline uint32_t KeyFlagsOf(const Message& m) {
    return (static_cast<uint32_t>(m.lParam) >> 16) & 0xFFFF;
}

}  // namespace stagehand::host
