#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "capture/rectangles.h"
#include "capture/screen_geometry.h"
#include "platform/memory/memory_desktop.h"

namespace {

using platform::Rect;

void expectRect(const Rect& actual, const Rect& expected) {
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
}

TEST(Rectangles, NullRectangleContributesNothingToAUnion) {
    const Rect display{-500, 0, 500, 700};
    EXPECT_TRUE(isNullRectangle(nullRectangle()));
    EXPECT_FALSE(isNullRectangle(Rect{}));
    expectRect(rectangleUnion(nullRectangle(), display), display);
    expectRect(rectangleUnion(display, nullRectangle()), display);
    EXPECT_TRUE(isNullRectangle(rectangleUnion(nullRectangle(), nullRectangle())));
    // An empty rectangle is not the null one: its origin still counts.
    expectRect(rectangleUnion(Rect{}, Rect{10, 10, 5, 5}), Rect{0, 0, 15, 15});
}

TEST(Rectangles, SizesAreExtentsWhateverTheirSign) {
    const Rect flipped{100, 50, -40, -30};
    EXPECT_EQ(rectangleWidth(flipped), 40);
    EXPECT_EQ(rectangleHeight(flipped), 30);
    expectRect(rectangleUnion(flipped, Rect{0, 0, 10, 10}), Rect{0, 0, 100, 50});
}

TEST(Rectangles, NotANumberSurvivesTheUnionInEitherOrder) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Rect broken{nan, 0, 10, 10};
    const Rect fine{0, 0, 800, 600};
    EXPECT_TRUE(std::isnan(rectangleUnion(broken, fine).x));
    EXPECT_TRUE(std::isnan(rectangleUnion(fine, broken).x));
}

struct DisplayCase {
    const char* name;
    std::vector<std::pair<platform::DisplayId, Rect>> displays;
    Rect expected;
    std::size_t listQueries;
};

// The main display is 9; it stands in the list only where a case puts it
// there, otherwise its bounds are the fallback below.
const Rect mainFallback{0, 0, 1024, 768};

class VirtualScreenBounds : public testing::TestWithParam<DisplayCase> {};

TEST_P(VirtualScreenBounds, EnclosesEveryActiveDisplay) {
    memory::resetDesktop();
    memory::Desktop& d = memory::desktop();
    d.displays = GetParam().displays;
    d.mainDisplay = 9;
    d.mainDisplayFallback = mainFallback;
    expectRect(virtualScreenBounds(), GetParam().expected);
    EXPECT_EQ(d.displayListQueries, GetParam().listQueries);
}

INSTANTIATE_TEST_SUITE_P(
    Displays, VirtualScreenBounds,
    testing::Values(
        DisplayCase{"OneDisplay", {{9, {0, 0, 800, 600}}}, {0, 0, 800, 600}, 1},
        DisplayCase{"LeftOfMain", {{9, {0, 0, 800, 600}}, {2, {-500, 0, 500, 700}}}, {-500, 0, 1300, 700}, 1},
        DisplayCase{"AboveMain", {{9, {0, 0, 800, 600}}, {2, {100, -400, 600, 400}}}, {0, -400, 800, 1000}, 1},
        // The bounding box, not the area: the gap and the offset are inside.
        DisplayCase{"GapAndOffset", {{9, {0, 0, 800, 600}}, {2, {1000, 100, 400, 300}}}, {0, 0, 1400, 600}, 1},
        DisplayCase{"NoDisplayReported", {}, mainFallback, 0},
        DisplayCase{"EveryDisplayNull", {{3, nullRectangle()}, {4, nullRectangle()}}, mainFallback, 1}),
    [](const testing::TestParamInfo<DisplayCase>& info) { return std::string(info.param.name); });

}  // namespace
