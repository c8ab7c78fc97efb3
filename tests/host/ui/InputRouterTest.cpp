#include "host/ui/InputRouter.h"

#include <gtest/gtest.h>

#include "host/ui/Keys.h"

namespace stagehand::host {
namespace {

struct Router {
    Router() {
        WindowTree::Record r;
        r.style = style::kVisible;
        r.rect = {0, 0, 100, 100};
        r.doubleClicks = true;
        back = tree.Add(r);
        r.rect = {50, 50, 150, 150};
        r.doubleClicks = false;
        front = tree.Add(r);
    }
    // Takes everything queued, then the move waiting: "target id lParam" for each message
    // that found a window.
    std::vector<std::string> Take() {
        std::vector<std::string> taken;
        auto take = [&](Message m) {
            if (input.Take(m)) {
                taken.push_back(std::to_string(m.target.value) + " " + std::to_string(m.id) + " " +
                                std::to_string(m.lParam));
            }
        };
        for (; !queue.empty(); queue.pop_front()) {
            take(queue.front());
        }
        if (Message m; input.TakeMove(m)) {
            take(m);
        }
        return taken;
    }

    WindowTree tree;
    WindowHandle back, front;
    std::deque<Message> queue;
    uint32_t now = 1000;
    InputRouter input{tree, queue, [this] { return now; }, {0, 0}};
};

std::string Mouse(WindowHandle w, uint32_t id, Point client) {
    return std::to_string(w.value) + " " + std::to_string(id) + " " +
           std::to_string(PackPoint(client));
}

TEST(InputRouter, MouseGoesToTheCaptureOrTheWindowUnderThePointerWhenTaken) {
    Router r;
    r.input.PointerMoved({60, 60});
    r.input.SetCapture(r.back);       // after the move was made, before it is taken
    r.input.PointerMoved({200, 10});  // merges with the move waiting
    r.input.PointerMoved({200, 10});  // the same position again makes no move
    EXPECT_EQ(r.Take(), (std::vector<std::string>{Mouse(r.back, msg::kMouseMove, {200, 10})}));
    // A press queues the move before it; moves after it wait until the queue is empty.
    r.input.PointerMoved({20, 20});
    r.input.ButtonChanged(MouseButton::kLeft, true, {30, 30});
    r.input.PointerMoved({40, 40});
    r.input.PointerMoved({50, 50});
    EXPECT_EQ(r.Take(), (std::vector<std::string>{Mouse(r.back, msg::kMouseMove, {30, 30}),
                                                  Mouse(r.back, msg::kLButtonDown, {30, 30}),
                                                  Mouse(r.back, msg::kMouseMove, {50, 50})}));
    r.input.ButtonChanged(MouseButton::kLeft, false, {50, 50});
    r.Take();
    r.input.SetCapture({});
    r.input.PointerMoved({60, 60});
    EXPECT_EQ(r.Take(), (std::vector<std::string>{Mouse(r.front, msg::kMouseMove, {10, 10})}));
    r.input.PointerMoved({300, 300});  // over no window: dropped
    EXPECT_TRUE(r.Take().empty());
}

TEST(InputRouter, KeysGoToTheFocusAndCountAsDownOnceTaken) {
    Router r;
    r.input.KeyChanged(vk::kLeft, true, false);
    EXPECT_FALSE(r.input.IsKeyDown(vk::kLeft));  // received, not yet taken
    EXPECT_TRUE(r.Take().empty());               // no focus: dropped, but the state moves
    EXPECT_TRUE(r.input.IsKeyDown(vk::kLeft));
    r.input.SetFocus(r.front);
    r.input.KeyChanged(vk::kLeft, false, false);
    EXPECT_EQ(r.Take().size(), 1u);
    EXPECT_FALSE(r.input.IsKeyDown(vk::kLeft));
}

TEST(InputRouter, DoubleClicksNeedTheSameWindowButtonSpotAndAQuickPress) {
    struct Case {
        const char* name;
        Point first, second;
        uint32_t delay;
        MouseButton button;
        uint32_t id;
    } cases[] = {
        {"quick", {10, 10}, {12, 12}, 500, MouseButton::kLeft, msg::kLButtonDoubleClick},
        {"slow", {10, 10}, {10, 10}, 501, MouseButton::kLeft, msg::kLButtonDown},
        {"moved", {10, 10}, {13, 10}, 10, MouseButton::kLeft, msg::kLButtonDown},
        {"other button", {10, 10}, {10, 10}, 10, MouseButton::kRight, msg::kRButtonDown},
        {"no double clicks", {60, 60}, {60, 60}, 10, MouseButton::kLeft, msg::kLButtonDown},
    };
    for (const Case& c : cases) {
        Router r;
        r.input.ButtonChanged(MouseButton::kLeft, true, c.first);
        r.input.ButtonChanged(MouseButton::kLeft, false, c.first);
        r.now += c.delay;
        r.input.ButtonChanged(c.button, true, c.second);
        ASSERT_FALSE(r.queue.empty());
        EXPECT_EQ(r.queue.back().id, c.id) << c.name;
    }
}

TEST(InputRouter, AThirdPressOrAGoneWindowStartsAfresh) {
    Router r;
    for (uint32_t expected : {msg::kLButtonDown, msg::kLButtonDoubleClick, msg::kLButtonDown}) {
        r.input.ButtonChanged(MouseButton::kLeft, true, {10, 10});
        EXPECT_EQ(r.queue.back().id, expected);
        r.input.ButtonChanged(MouseButton::kLeft, false, {10, 10});
    }
    r.input.Forget(r.back);
    r.input.ButtonChanged(MouseButton::kLeft, true, {10, 10});
    EXPECT_EQ(r.queue.back().id, msg::kLButtonDown);
}

}  // namespace
}  // namespace stagehand::host
