#include "host/gfx/Region.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

namespace stagehand::host {
namespace {

constexpr int kGrid = 24;
using Model = std::array<std::array<bool, kGrid>, kGrid>;

// Every promise a region makes about its rectangles, checked against a pixel model.
void ExpectMatches(const Region& region, const Model& model) {
    const auto& rects = region.Rects();
    for (size_t i = 0; i < rects.size(); ++i) {
        ASSERT_FALSE(rects[i].IsEmpty());
        for (size_t j = i + 1; j < rects.size(); ++j) {
            ASSERT_FALSE(rects[i].Intersects(rects[j])) << "rectangles " << i << " and " << j;
        }
    }
    long long area = 0;
    Rect bounds;
    for (int y = 0; y < kGrid; ++y) {
        for (int x = 0; x < kGrid; ++x) {
            ASSERT_EQ(region.Contains({x, y}), model[y][x]) << x << "," << y;
            if (model[y][x]) {
                ++area;
                bounds = bounds.Union({x, y, x + 1, y + 1});
            }
        }
    }
    EXPECT_EQ(region.Area(), area);
    EXPECT_EQ(region.Bounds(), bounds);
    EXPECT_EQ(region.IsEmpty(), area == 0);
}

void Paint(Model& model, const Rect& r, bool value) {
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, kGrid); ++y) {
        for (int x = std::max(r.left, 0); x < std::min(r.right, kGrid); ++x) {
            model[y][x] = value;
        }
    }
}

TEST(RegionTest, RandomAddSubtractIntersectMatchPixels) {
    std::mt19937 random(1234);
    auto coordinate = [&] { return static_cast<int32_t>(random() % (kGrid + 1)); };
    auto randomRect = [&] {
        const int32_t a = coordinate(), b = coordinate(), c = coordinate(), d = coordinate();
        return Rect{std::min(a, b), std::min(c, d), std::max(a, b), std::max(c, d)};
    };
    for (int round = 0; round < 200; ++round) {
        Region region;
        Model model{};
        for (int step = 0; step < 12; ++step) {
            const Rect r = randomRect();
            switch (random() % 4) {
                case 0:
                case 1:
                    region.Add(r);
                    Paint(model, r, true);
                    break;
                case 2:
                    region.Subtract(r);
                    Paint(model, r, false);
                    break;
                default: {
                    // Intersect with a two-rectangle region, to exercise region operands.
                    Region other(r);
                    const Rect s = randomRect();
                    other.Add(s);
                    region.Intersect(other);
                    Model mask{};
                    Paint(mask, r, true);
                    Paint(mask, s, true);
                    for (int y = 0; y < kGrid; ++y) {
                        for (int x = 0; x < kGrid; ++x) {
                            model[y][x] = model[y][x] && mask[y][x];
                        }
                    }
                }
            }
            ASSERT_NO_FATAL_FAILURE(ExpectMatches(region, model)) << "round " << round;
        }
    }
}

TEST(RegionTest, HoleAndRegionOperandsAndOffsetsNearTheLimits) {
    // A rectangle across the whole range is as wide as a size can say, not wrapped.
    const Rect all{INT32_MIN, -5, INT32_MAX, 5};
    EXPECT_EQ(all.Width(), INT32_MAX);
    EXPECT_EQ(all.Height(), 10);

    Region frame({0, 0, 10, 10});
    frame.Subtract({3, 3, 7, 7});
    EXPECT_EQ(frame.Area(), 100 - 16);
    EXPECT_FALSE(frame.Contains({5, 5}));
    EXPECT_EQ(frame.Bounds(), (Rect{0, 0, 10, 10}));

    Region filled = frame;
    filled.Add(Region({2, 2, 8, 8}));
    EXPECT_EQ(filled.Area(), 100);

    Region empty;
    empty.Add(Rect{5, 5, 5, 9});  // no width
    empty.Add(Rect{9, 9, 1, 1});  // inverted
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.Bounds(), Rect{});

    // An offset near the integer limits clamps.
    Region region({-10, -10, 10, 10});
    region.Offset(INT32_MAX, INT32_MIN);
    ASSERT_EQ(region.Rects().size(), 1u);
    const Rect r = region.Rects()[0];
    EXPECT_EQ(r.left, INT32_MAX - 10);
    EXPECT_EQ(r.right, INT32_MAX);
    EXPECT_EQ(r.top, INT32_MIN);
    EXPECT_EQ(r.bottom, INT32_MIN + 10);
    EXPECT_EQ(Rect::FromSize(INT32_MAX - 5, 0, 100, 1).right, INT32_MAX);
    EXPECT_EQ(Rect::FromSize(0, 0, -5, 1).Width(), 0);
}

}  // namespace
}  // namespace stagehand::host
