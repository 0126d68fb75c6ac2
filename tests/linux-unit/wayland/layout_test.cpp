// Pointer placement in the output layout and wheel steps.
#include "platform/linux/wayland/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/linux/wayland/wheel.h"

namespace {

using platform::Point;
using platform::Rect;
using platform::wayland::AbsoluteMotion;

bool operator==(const AbsoluteMotion& a, const AbsoluteMotion& b) {
    return a.x == b.x && a.y == b.y && a.xExtent == b.xExtent && a.yExtent == b.yExtent;
}

TEST(WaylandLayout, BoundsEncloseEveryOutputWhereverTheOriginIs) {
    const Rect bounds =
        platform::wayland::layoutBounds({{0, 0, 1280, 1024}, {-1920, 200, 1920, 1080}, {1280, 0, 800, 600}});
    EXPECT_EQ(bounds.x, -1920);
    EXPECT_EQ(bounds.y, 0);
    EXPECT_EQ(bounds.width, 1920 + 1280 + 800);
    EXPECT_EQ(bounds.height, 1280);
    const Rect none = platform::wayland::layoutBounds({});
    EXPECT_EQ(none.width, 0);
}

TEST(WaylandLayout, AbsoluteMotionLandsOnThePixelHoldingThePoint) {
    const Rect single{0, 0, 1280, 1024};
    const Rect leftOfOrigin{-1920, 0, 3200, 1080};  // an output left of the main one
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        Point point;
        Rect bounds;
        std::optional<AbsoluteMotion> motion;
    };
    const Case cases[] = {
        {{400, 500}, single, AbsoluteMotion{400, 500, 1280, 1024}},
        {{400.9, 500.2}, single, AbsoluteMotion{400, 500, 1280, 1024}},
        {{-0.5, 2000}, single, AbsoluteMotion{0, 1023, 1280, 1024}},  // clamped into the layout
        {{1280, 1024}, single, AbsoluteMotion{1279, 1023, 1280, 1024}},
        {{-100, 10}, leftOfOrigin, AbsoluteMotion{1820, 10, 3200, 1080}},
        {{nan, 10}, single, std::nullopt},
        {{10, 10}, Rect{0, 0, 0, 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto motion = platform::wayland::absoluteMotion(c.point, c.bounds);
        ASSERT_EQ(motion.has_value(), c.motion.has_value()) << c.point.x << "," << c.point.y;
        if (!motion) continue;
        EXPECT_TRUE(*motion == *c.motion) << c.point.x << "," << c.point.y << " -> " << motion->x << "," << motion->y;
        // wlroots puts the pointer at bounds origin + x / extent * size.
        const Point target = platform::wayland::motionTarget(*motion, c.bounds);
        EXPECT_EQ(target.x, c.bounds.x + motion->x);
        EXPECT_EQ(target.y, c.bounds.y + motion->y);
    }
}

TEST(WaylandLayout, MainOutputIsTheOneAtTheOriginElseTheFirst) {
    EXPECT_EQ(platform::wayland::mainOutputIndex({{1280, 0, 800, 600}, {0, 0, 1280, 1024}}), 1U);
    EXPECT_EQ(platform::wayland::mainOutputIndex({{100, 0, 800, 600}, {900, 0, 100, 100}}), 0U);
    EXPECT_FALSE(platform::wayland::mainOutputIndex({}));
}

TEST(WaylandWheel, OneStepPerStartedFortyUnitsAtMostFifty) {
    struct Case {
        std::int64_t amount;
        int steps;
    };
    const Case cases[] = {{0, 0},     {1, 1},          {40, 1},
                          {41, 2},    {-120, 3},       {2000, 50},
                          {2001, 50}, {INT32_MIN, 50}, {std::numeric_limits<std::int64_t>::min(), 50}};
    for (const Case& c : cases) EXPECT_EQ(platform::wayland::wheelSteps(c.amount), c.steps) << c.amount;
}

}  // namespace
