#include "host/ui/PaintQueue.h"

namespace stagehand::host {

void PaintQueue::Add(WindowHandle window, const Region& part, bool erase) {
    if (part.IsEmpty()) {
        return;
    }
    auto [it, added] = pending_.try_emplace(window.value);
    it->second.invalid.Add(part);
    it->second.erase = it->second.erase || erase;
    if (added) {
        order_.insert(window);
    }
}

void PaintQueue::Clear(WindowHandle window) {
    auto it = pending_.find(window.value);
    if (it != pending_.end()) {
        order_.erase(window);
        pending_.erase(it);
    }
}

PaintQueue::Pending PaintQueue::Take(WindowHandle window) {
    auto it = pending_.find(window.value);
    if (it == pending_.end()) {
        return {};
    }
    Pending taken = std::move(it->second);
    order_.erase(window);
    pending_.erase(it);
    return taken;
}

}  // namespace stagehand::host
