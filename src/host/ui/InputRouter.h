// Where input goes: the pointer, the mouse buttons and keys, the capture and the focus, and
// turning the backend's input into mouse, key and character messages with the desktop's flags.
//
// Input is queued addressed to kInputTarget and given its window only when it is taken (the
// capture or the window under the pointer for the mouse, the focus for keys), as the desktop
// does, so that a press that follows a move in the same burst of input goes where the move
// left the capture. Notices about capture and focus changes are the window system's to send.
//
// Moves merge as the desktop merges them: at most one move waits, at the newest place, outside
// the queue (TakeMove), and it is taken after everything queued. A press, release or key
// queues the move waiting before it, so the window sees the pointer arrive before the press.
// A move to where the last one taken went is no move.
// Guarantees: logic that moves the pointer from its own move handler adds at most one move,
// however often it moves it; the queue grows only with the backend's buttons and keys.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "host/Backend.h"
#include "host/ui/Messages.h"
#include "host/ui/WindowTree.h"

namespace stagehand::host {

class InputRouter {
  public:
    // The handle input waits under in the queue; no window ever has it.
    static constexpr WindowHandle kInputTarget{0xFFFFFFFF};
    static constexpr uint32_t kDoubleClickTime = 500;
    static constexpr int32_t kDoubleClickDistance = 2;

    // Messages go to the back of `queue`, stamped with `clock`.
    InputRouter(const WindowTree& tree, std::deque<Message>& queue, std::function<uint32_t()> clock,
                Point pointer)
        : tree_(tree), queue_(queue), clock_(std::move(clock)), pointer_(pointer) {}

    WindowHandle Capture() const { return capture_; }
    void SetCapture(WindowHandle window) { capture_ = window; }
    WindowHandle Focus() const { return focus_; }
    void SetFocus(WindowHandle window) { focus_ = window; }
    Point Pointer() const { return pointer_; }
    // While a modal window is set, queued input goes only to it and the windows inside it,
    // whatever holds the capture or the focus: mouse input elsewhere is dropped, and keys go
    // to the focus when it lies inside, else to the modal window itself.
    WindowHandle Modal() const { return modal_; }
    void SetModal(WindowHandle window) { modal_ = window; }
    // Raises or lowers the pointer's show count and returns it.
    int ChangeShowCount(bool show) { return showCount_ += show ? 1 : -1; }
    // The window has gone: a press on it no longer makes the next one a double click.
    void Forget(WindowHandle window);

    // As of the key messages taken so far.
    bool IsKeyDown(uint8_t virtualKey) const { return keyDown_[virtualKey]; }
    // As of the input received so far.
    bool IsKeyDownNow(uint8_t virtualKey) const { return keyDownNow_[virtualKey]; }
    // Follows a message taken from the queue: key state, and the window for queued input;
    // false when queued input has no window to take it.
    bool Take(Message& message);
    // The move waiting, if any, which then no longer waits (to be given to Take next).
    bool TakeMove(Message& message);

    void PointerMoved(Point position);
    void ButtonChanged(MouseButton button, bool down, Point position);
    void KeyChanged(uint8_t virtualKey, bool down, bool repeat);
    void CharacterTyped(uint8_t character);

  private:
    uint32_t MouseKeys() const;
    void PostMouse(uint32_t id, Point screen);
    // Queues the move waiting, so that input after it comes after it.
    void QueueMove();
    void PostKey(uint32_t id, uint8_t code, bool altDown, bool repeat, bool released);

    const WindowTree& tree_;
    std::deque<Message>& queue_;
    std::function<uint32_t()> clock_;

    WindowHandle capture_;
    WindowHandle focus_;
    WindowHandle modal_;
    Point pointer_;
    bool pointerKnown_ = false;
    std::optional<Message> move_;    // the move waiting
    std::optional<Point> lastMove_;  // where the last move taken went
    bool leftDown_ = false;
    bool rightDown_ = false;
    bool keyDown_[256] = {};     // as of the messages taken so far
    bool keyDownNow_[256] = {};  // as of the input received so far
    bool lastKeyWasRepeat_ = false;
    int showCount_ = 0;
    struct LastPress {
        WindowHandle window;
        MouseButton button = MouseButton::kLeft;
        uint32_t time = 0;
        Point screen;
        bool valid = false;
    } lastPress_;
};

}  // namespace stagehand::host
