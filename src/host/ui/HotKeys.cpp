#include "host/ui/HotKeys.h"

#include <iterator>

namespace stagehand::host {

void HotKeys::Register(WindowHandle window, uintptr_t id, uint8_t virtualKey) {
    keys_[virtualKey] = Hit{window, id};
}

void HotKeys::Forget(WindowHandle window) {
    for (auto it = keys_.begin(); it != keys_.end();) {
        it = it->second.window == window ? keys_.erase(it) : std::next(it);
    }
}

HotKeys::Verdict HotKeys::Filter(uint8_t virtualKey, bool down, bool repeat, bool controlDown,
                                 bool altDown) {
    bool& held = held_[virtualKey];
    if (!down) {
        const bool swallowed = held;
        held = false;
        return {swallowed, std::nullopt};
    }
    if (held) {
        return {true, std::nullopt};  // its auto-repeat
    }
    const auto it = keys_.find(virtualKey);
    if (it == keys_.end() || !controlDown || !altDown || repeat) {
        return {};
    }
    held = true;
    return {true, it->second};
}

}  // namespace stagehand::host
