#include "host/ui/PaintQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace stagehand::host {
namespace {

// A painting order given by a rank per window, which the tests move around.
struct Ranked {
    std::map<uint32_t, int> rank;
    PaintQueue queue{
        [this](WindowHandle a, WindowHandle b) { return rank[a.value] < rank[b.value]; }};

    // Takes every waiting window in painting order.
    std::vector<uint32_t> Drain() {
        std::vector<uint32_t> order;
        while (WindowHandle w = queue.First([](WindowHandle) { return true; })) {
            queue.Take(w);
            order.push_back(w.value);
        }
        return order;
    }
};

Region Box(int32_t x, int32_t y) {
    return Region(Rect::FromSize(x, y, 10, 10));
}

TEST(PaintQueue, WindowsComeInPaintingOrderNotTheOrderTheyWereMarked) {
    Ranked r;
    r.rank = {{1, 30}, {2, 10}, {3, 20}, {4, 0}};
    for (uint32_t w : {1, 2, 3}) {
        r.queue.Add({w}, Box(0, 0), false);
    }
    r.queue.Add({4}, Region{}, true);  // nothing to paint: not waiting
    EXPECT_FALSE(r.queue.Waits({4}));
    EXPECT_EQ(r.queue.First([](WindowHandle w) { return w.value != 2; }).value, 3u);
    EXPECT_EQ(r.Drain(), (std::vector<uint32_t>{2, 3, 1}));
}

TEST(PaintQueue, PartsAddUpAndErasingStaysAskedUntilTaken) {
    Ranked r;
    r.queue.Add({1}, Box(0, 0), true);
    r.queue.Add({1}, Box(20, 0), false);
    r.queue.Add({2}, Box(0, 0), false);
    const PaintQueue::Pending one = r.queue.Take({1});
    EXPECT_TRUE(one.erase);
    EXPECT_EQ(one.invalid.Bounds(), Rect::FromSize(0, 0, 30, 10));
    EXPECT_FALSE(r.queue.Waits({1}));
    EXPECT_FALSE(r.queue.Take({1}).erase);  // taking again finds nothing
    EXPECT_TRUE(r.queue.Take({1}).invalid.IsEmpty());
    r.queue.Clear({2});
    r.queue.Clear({3});
    EXPECT_EQ(r.queue.Size(), 0u);
}

TEST(PaintQueue, ReorderedWindowsTakeTheirNewPlace) {
    struct Case {
        std::vector<uint32_t> moved;
        int newRank;
        std::vector<uint32_t> order;
    } cases[] = {
        {{1}, 25, {2, 1, 3}},
        {{1, 2}, 40, {3, 1, 2}},
        {{3}, -1, {3, 1, 2}},
        {{4}, 15, {1, 2, 3}},  // not waiting
    };
    for (const Case& c : cases) {
        Ranked r;
        r.rank = {{1, 10}, {2, 20}, {3, 30}, {4, 35}};
        for (uint32_t w : {3, 1, 2}) {
            r.queue.Add({w}, Box(0, 0), false);
        }
        std::vector<WindowHandle> moved;
        for (uint32_t w : c.moved) {
            moved.push_back({w});
        }
        r.queue.Reorder(moved, [&] {
            for (uint32_t w : c.moved) {
                r.rank[w] = c.newRank + static_cast<int>(w);
            }
        });
        EXPECT_EQ(r.Drain(), c.order) << c.newRank;
    }
}

// Against sorting the waiting windows afresh, with random marks, clears and reorders.
TEST(PaintQueue, AgreesWithSortingTheWaitingWindows) {
    std::mt19937 random(3);
    Ranked r;
    std::vector<uint32_t> waiting;
    auto newRank = [&](uint32_t w) { return static_cast<int>(random() % 1000 * 64 + w); };
    for (int step = 0; step < 5000; ++step) {
        const uint32_t w = 1 + random() % 40;
        switch (random() % 4) {
            case 0:
                r.queue.Clear({w});
                std::erase(waiting, w);
                break;
            case 1:
                r.queue.Reorder({{w}}, [&] { r.rank[w] = newRank(w); });
                break;
            default:
                r.rank.try_emplace(w, newRank(w));
                r.queue.Add({w}, Box(0, 0), false);
                if (std::find(waiting.begin(), waiting.end(), w) == waiting.end()) {
                    waiting.push_back(w);
                }
        }
        ASSERT_EQ(r.queue.Size(), waiting.size());
    }
    std::sort(waiting.begin(), waiting.end(),
              [&](uint32_t a, uint32_t b) { return r.rank[a] < r.rank[b]; });
    EXPECT_EQ(r.Drain(), waiting);
}

}  // namespace
}  // namespace stagehand::host
