// Turning the backend's input into window messages: hit-testing, capture, double clicks,
// key-down and character messages with the desktop's flags.
#include "host/ui/InputRouter.h"

#include <cstdlib>

#include "host/ui/Keys.h"

namespace stagehand::host {

namespace {
constexpr uint32_t kAltBit = 1u << 29;
constexpr uint32_t kPreviousDownBit = 1u << 30;
constexpr uint32_t kReleasedBit = 1u << 31;
}  // namespace

uint32_t InputRouter::MouseKeys() const {
    uint32_t keys = 0;
    if (leftDown_) {
        keys |= mouse_keys::kLeft;
    }
    if (rightDown_) {
        keys |= mouse_keys::kRight;
    }
    if (keyDownNow_[vk::kShift]) {
        keys |= mouse_keys::kShift;
    }
    if (keyDownNow_[vk::kControl]) {
        keys |= mouse_keys::kControl;
    }
    return keys;
}

void InputRouter::PostMouse(uint32_t id, Point screen) {
    Message m{kInputTarget, id, MouseKeys(), 0, pointer_, clock_()};
    m.screen = screen;
    if (id == msg::kMouseMove) {
        move_ = m;
        return;
    }
    QueueMove();
    queue_.push_back(m);
}

void InputRouter::QueueMove() {
    if (move_) {
        queue_.push_back(*move_);
        move_.reset();
    }
}

bool InputRouter::TakeMove(Message& message) {
    if (!move_) {
        return false;
    }
    message = *move_;
    move_.reset();
    return true;
}

void InputRouter::Forget(WindowHandle window) {
    if (lastPress_.window == window) {
        lastPress_.valid = false;
    }
}

bool InputRouter::Take(Message& message) {
    if (message.id == msg::kKeyDown || message.id == msg::kSysKeyDown) {
        keyDown_[message.wParam & 0xFF] = true;
    } else if (message.id == msg::kKeyUp || message.id == msg::kSysKeyUp) {
        keyDown_[message.wParam & 0xFF] = false;
    }
    if (message.target != kInputTarget) {
        return true;
    }
    if (message.id == msg::kMouseMove) {
        if (lastMove_ == message.screen) {
            return false;
        }
        lastMove_ = message.screen;
    }
    const bool modal = modal_ && tree_.Exists(modal_);
    if (msg::IsMouse(message.id)) {
        message.target = capture_ ? capture_ : tree_.HitTest(message.screen);
        if (modal && !tree_.IsWithin(message.target, modal_)) {
            message.target = tree_.HitTestIn(modal_, message.screen);
        }
        const Point origin = tree_.ClientToScreen(message.target, {0, 0});
        message.lParam = PackPoint({static_cast<int32_t>(int64_t{message.screen.x} - origin.x),
                                    static_cast<int32_t>(int64_t{message.screen.y} - origin.y)});
    } else {
        message.target = modal && !tree_.IsWithin(focus_, modal_) ? modal_ : focus_;
    }
    return tree_.Exists(message.target);
}

void InputRouter::PointerMoved(Point position) {
    // The same position twice makes one move, so a pointer warped by the logic and then
    // reported by the machine does not move twice.
    if (pointerKnown_ && position == pointer_) {
        return;
    }
    pointer_ = position;
    pointerKnown_ = true;
    PostMouse(msg::kMouseMove, position);
}

void InputRouter::ButtonChanged(MouseButton button, bool down, Point position) {
    PointerMoved(position);
    const bool left = button == MouseButton::kLeft;
    (left ? leftDown_ : rightDown_) = down;
    if (!down) {
        PostMouse(left ? msg::kLButtonUp : msg::kRButtonUp, position);
        return;
    }
    const WindowHandle target = capture_ ? capture_ : tree_.HitTest(position);
    const uint32_t now = clock_();
    const WindowTree::Record* record = tree_.Find(target);
    const bool doubleClick = record && record->doubleClicks && lastPress_.valid &&
                             lastPress_.window == target && lastPress_.button == button &&
                             now - lastPress_.time <= kDoubleClickTime &&
                             std::abs(position.x - lastPress_.screen.x) <= kDoubleClickDistance &&
                             std::abs(position.y - lastPress_.screen.y) <= kDoubleClickDistance;
    // A third quick press is a plain press again.
    lastPress_ = {target, button, now, position, !doubleClick};
    if (doubleClick) {
        PostMouse(left ? msg::kLButtonDoubleClick : msg::kRButtonDoubleClick, position);
    } else {
        PostMouse(left ? msg::kLButtonDown : msg::kRButtonDown, position);
    }
}

void InputRouter::PostKey(uint32_t id, uint8_t code, bool altDown, bool repeat, bool released) {
    uint32_t lParam = 1;
    if (altDown) {
        lParam |= kAltBit;
    }
    if (repeat || released) {
        lParam |= kPreviousDownBit;
    }
    if (released) {
        lParam |= kReleasedBit;
    }
    QueueMove();
    queue_.push_back(
        Message{kInputTarget, id, code, static_cast<intptr_t>(lParam), pointer_, clock_()});
}

void InputRouter::KeyChanged(uint8_t key, bool down, bool repeat) {
    const bool alt = keyDownNow_[vk::kMenu] || (down && key == vk::kMenu);
    const bool control = keyDownNow_[vk::kControl] || (down && key == vk::kControl);
    // Alt makes the system variants, unless Control is held too (Control+Alt types
    // characters on many layouts, so the desktop treats it as a plain key).
    const bool system = alt && !(control && key != vk::kMenu);
    keyDownNow_[key] = down;
    if (!down) {
        lastKeyWasRepeat_ = false;
        PostKey(system ? msg::kSysKeyUp : msg::kKeyUp, key, alt, false, true);
        return;
    }
    lastKeyWasRepeat_ = repeat;
    PostKey(system ? msg::kSysKeyDown : msg::kKeyDown, key, alt, repeat, false);

    // The characters the window system makes itself; printable characters typed without
    // Control or Alt come from the backend (the machine's own keyboard layout).
    const bool shift = keyDownNow_[vk::kShift];
    if (control && !alt) {
        if (key >= vk::kA && key <= vk::kA + 25) {
            PostKey(msg::kChar, static_cast<uint8_t>(key - vk::kA + 1), false, repeat, false);
        } else if (key == vk::kReturn) {
            PostKey(msg::kChar, 10, false, repeat, false);
        } else if (key == vk::kBack) {
            PostKey(msg::kChar, 127, false, repeat, false);
        } else if (key == vk::kEscape || key == vk::kOem4) {
            PostKey(msg::kChar, 27, false, repeat, false);
        }
        return;
    }
    if (key == vk::kReturn || key == vk::kEscape || key == vk::kTab || key == vk::kBack) {
        PostKey(system ? msg::kSysChar : msg::kChar, *vk::CharacterFor(key, false), alt, repeat,
                false);
        return;
    }
    if (system) {
        if (auto c = vk::CharacterFor(key, shift)) {
            PostKey(msg::kSysChar, *c, true, repeat, false);
        }
    }
}

void InputRouter::CharacterTyped(uint8_t character) {
    // A character typed while a key auto-repeats carries the repeat flag, as its key does.
    PostKey(msg::kChar, character, keyDownNow_[vk::kMenu], lastKeyWasRepeat_, false);
}

}  // namespace stagehand::host
