#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "host/ui/WindowTree.h"

namespace stagehand::host {
namespace {

constexpr uint32_t kShown = style::kVisible;

WindowHandle AddWindow(WindowTree& tree, WindowHandle parent, Rect rect, uint32_t styles = kShown,
                       const std::string& title = "") {
    WindowTree::Record r;
    r.parent = parent;
    r.rect = rect;
    r.style = styles | (parent ? style::kChild : 0);
    r.title = title;
    return tree.Add(std::move(r));
}

TEST(WindowTreeUnit, HitTestFindsTheTopmostShownEnabledWindow) {
    WindowTree tree;
    const WindowHandle a = AddWindow(tree, {}, {0, 0, 100, 100});
    const WindowHandle a1 = AddWindow(tree, a, {10, 10, 60, 60});
    const WindowHandle a2 = AddWindow(tree, a, {40, 40, 90, 90});  // above a1
    const WindowHandle a21 = AddWindow(tree, a2, {0, 0, 5, 5});    // screen 40..45
    AddWindow(tree, a, {0, 0, 10, 10}, 0);                         // hidden
    AddWindow(tree, a, {90, 0, 100, 10}, kShown | style::kDisabled);
    const WindowHandle b = AddWindow(tree, {}, {80, 80, 200, 200});
    struct Case {
        Point at;
        WindowHandle hit;
    } cases[] = {
        {{5, 5}, a},  {{20, 20}, a1}, {{50, 50}, a2}, {{42, 42}, a21},
        {{95, 5}, a}, {{85, 85}, b},  {{300, 5}, {}}, {{99, 99}, b},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tree.HitTest(c.at), c.hit) << c.at.x << "," << c.at.y;
    }
    ASSERT_TRUE(tree.Raise(a));
    EXPECT_FALSE(tree.Raise(a));  // already on top
    EXPECT_EQ(tree.HitTest({85, 85}), a2);
}

TEST(WindowTreeUnit, NestingPositionsAndTitles) {
    WindowTree tree;
    const WindowHandle top = AddWindow(tree, {}, {100, 50, 300, 300}, kShown, "Main");
    const WindowHandle mid = AddWindow(tree, top, {10, 20, 100, 100}, 0);
    const WindowHandle leaf = AddWindow(tree, mid, {1, 2, 11, 12});
    const WindowHandle far = AddWindow(tree, {}, {INT32_MAX - 5, 0, INT32_MAX, 10}, kShown, "MAIN");
    const WindowHandle farChild = AddWindow(tree, far, {10, 0, 20, 10});

    EXPECT_EQ(tree.ScreenRect(leaf), Rect::FromSize(111, 72, 10, 10));
    EXPECT_EQ(tree.ClientToScreen(farChild, {0, 0}).x, INT32_MAX);  // clamped
    EXPECT_TRUE(tree.IsInside(leaf, top));
    EXPECT_TRUE(tree.IsInside(leaf, leaf));
    EXPECT_FALSE(tree.IsInside(top, leaf));
    EXPECT_FALSE(tree.IsShown(leaf));  // mid is hidden
    EXPECT_TRUE(tree.IsShown(top));
    EXPECT_EQ(tree.FindTopLevel("main"), far);  // the topmost of the two
    tree.Remove(far);
    EXPECT_EQ(tree.FindTopLevel("main"), top);
    EXPECT_EQ(tree.TopLevel(), std::vector<WindowHandle>{top});
    EXPECT_EQ(tree.FindTopLevel("leaf"), WindowHandle{});
}

// Painting order compared pairwise must agree with the walk of the tree, however windows
// were added and raised.
TEST(WindowTreeUnit, PaintsBeforeAgreesWithTheWalkOfTheTree) {
    std::mt19937 random(11);
    WindowTree tree;
    std::vector<WindowHandle> all;
    for (int i = 0; i < 40; ++i) {
        const WindowHandle parent =
            all.empty() || random() % 4 == 0 ? WindowHandle{} : all[random() % all.size()];
        all.push_back(AddWindow(tree, parent, {0, 0, 10, 10}));
        if (random() % 2) {
            tree.Raise(all[random() % all.size()]);
        }
    }
    std::vector<WindowHandle> walk;
    for (WindowHandle top : tree.TopLevel()) {
        tree.AppendSubtree(top, walk);
    }
    ASSERT_EQ(walk.size(), all.size());
    for (size_t i = 0; i < walk.size(); ++i) {
        for (size_t j = 0; j < walk.size(); ++j) {
            ASSERT_EQ(tree.PaintsBefore(walk[i], walk[j]), i < j) << i << " " << j;
        }
    }
}

}  // namespace
}  // namespace stagehand::host
