// The windows' records and how they nest: each window's parent, its children bottom to top,
// its place in the stack of its siblings, and where it is on the screen. The tree answers
// questions about itself (which window is under a point, which paints first); what follows
// from a change (notices, invalidation) is the window system's.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/gfx/Color.h"
#include "host/gfx/Geometry.h"
#include "host/ui/Messages.h"

namespace stagehand::host {

class Window;

class WindowTree {
  public:
    struct Record {
        Window* owner = nullptr;
        WindowHandle parent;
        std::vector<WindowHandle> children;  // bottom to top
        Rect rect;                           // in the parent's client coordinates
        uint32_t style = 0;
        std::string title;
        bool doubleClicks = false;
        std::optional<Color> background;
        bool dying = false;       // it is in a subtree being destroyed
        bool destroying = false;  // its own destruction has begun
        // Raised on creation and by Raise: siblings are bottom to top in this order.
        uint64_t stacked = 0;
    };

    // Adds the window on top of its siblings (the top level without a parent) and returns its
    // new handle; a parent given must exist.
    WindowHandle Add(Record record);
    // Takes the window out of its siblings and forgets it; its children keep their records.
    void Remove(WindowHandle window);
    // Puts the window above its siblings; false when it was there already.
    bool Raise(WindowHandle window);

    Record* Find(WindowHandle window);
    const Record* Find(WindowHandle window) const;
    bool Exists(WindowHandle window) const { return records_.count(window.value) != 0; }
    const std::map<uint32_t, Record>& Records() const { return records_; }
    std::map<uint32_t, Record>& Records() { return records_; }
    const std::vector<WindowHandle>& TopLevel() const { return topLevel_; }
    // The window's siblings with it, bottom to top; the top level when its parent has gone.
    std::vector<WindowHandle>& SiblingsOf(const Record& record);
    const std::vector<WindowHandle>& SiblingsOf(const Record& record) const;

    // Whether `window` is `ancestor` or inside it.
    bool IsInside(WindowHandle window, WindowHandle ancestor) const;
    // Visible, and every ancestor visible.
    bool IsShown(WindowHandle window) const;
    // The window, then what is inside it, in painting order.
    void AppendSubtree(WindowHandle window, std::vector<WindowHandle>& out) const;
    // Painting order: parents before children, siblings bottom to top. For windows whose
    // ancestors all stand.
    bool PaintsBefore(WindowHandle a, WindowHandle b) const;

    Point ClientToScreen(WindowHandle window, Point p) const;
    Rect ScreenRect(WindowHandle window) const;
    // The topmost shown, enabled window under the point: children before their parent, later
    // siblings before earlier ones.
    WindowHandle HitTest(Point screen) const;
    // The same among `window` and the windows inside it.
    WindowHandle HitTestIn(WindowHandle window, Point screen) const;
    // Whether `window` is `ancestor` or lies inside it.
    bool IsWithin(WindowHandle window, WindowHandle ancestor) const;
    // The topmost top-level window with the title, compared without regard to case.
    WindowHandle FindTopLevel(const std::string& title) const;

  private:
    std::map<uint32_t, Record> records_;
    std::vector<WindowHandle> topLevel_;  // bottom to top
    uint32_t nextHandle_ = 1;
    uint64_t nextStacked_ = 0;
};

}  // namespace stagehand::host
