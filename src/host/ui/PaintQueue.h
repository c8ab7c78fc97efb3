// The windows waiting to be painted: for each, the part of the screen it has to repaint and
// whether that part is erased first, kept in painting order so that the next window to paint
// is found without looking at every window.
//
// The painting order itself belongs to the window tree and is passed in. It may change only
// through Reorder, which takes the windows whose order moves out while it changes.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "host/gfx/Region.h"
#include "host/ui/Messages.h"

namespace stagehand::host {

class PaintQueue {
  public:
    // True when `a` is painted before `b`: a strict order with no two waiting windows equal.
    using Before = std::function<bool(WindowHandle a, WindowHandle b)>;

    struct Pending {
        Region invalid;  // screen coordinates
        bool erase = false;
    };

    explicit PaintQueue(Before before) : before_(std::move(before)), order_(Order{this}) {}
    PaintQueue(const PaintQueue&) = delete;
    PaintQueue& operator=(const PaintQueue&) = delete;

    // Adds `part` to what waits in the window; `erase` asks for it to be erased (and stays
    // asked until the window is painted). An empty part changes nothing.
    void Add(WindowHandle window, const Region& part, bool erase);
    // Forgets what waits in the window.
    void Clear(WindowHandle window);
    // What waits in the window, which then no longer waits.
    Pending Take(WindowHandle window);
    bool Waits(WindowHandle window) const { return pending_.count(window.value) != 0; }
    size_t Size() const { return pending_.size(); }

    // The first waiting window in painting order that `accept` takes; a null handle if none.
    template <typename Accept>
    WindowHandle First(Accept accept) const {
        for (WindowHandle window : order_) {
            if (accept(window)) {
                return window;
            }
        }
        return {};
    }

    // Runs `change`, which moves `windows` in the painting order (and no other window
    // relative to the rest): those waiting leave the order meanwhile and come back after.
    template <typename Change>
    void Reorder(const std::vector<WindowHandle>& windows, Change change) {
        std::vector<WindowHandle> moving;
        for (WindowHandle window : windows) {
            if (Waits(window)) {
                order_.erase(window);
                moving.push_back(window);
            }
        }
        change();
        order_.insert(moving.begin(), moving.end());
    }

  private:
    struct Order {
        const PaintQueue* queue;
        bool operator()(WindowHandle a, WindowHandle b) const { return queue->before_(a, b); }
    };

    Before before_;
    std::map<uint32_t, Pending> pending_;  // by handle, so lookups need no painting order
    std::set<WindowHandle, Order> order_;  // the windows in pending_
};

}  // namespace stagehand::host
