#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "platform/linux/sway/window_rules.h"
#include "fixture_trees.h"

namespace {

using platform::Point;
using platform::sway::ContentOrigin;
using platform::sway::contentOriginAmong;
using platform::sway::ownerAmong;
using platform::sway::parseTree;
using platform::sway::windowNamed;
using sway_test::recordedWindows;
using sway_test::windowNode;
using sway_test::workspaceTree;

std::optional<std::pair<int, int>> originPair(const std::optional<ContentOrigin>& origin) {
    if (!origin) return std::nullopt;
    return std::pair<int, int>(origin->x, origin->y);
}

// Two windows "Tavik Twin" of one process (pid 1494): the one meant is the
// one whose size the accessibility service reports.
TEST(SwayContentOrigin, TellsSameTitledWindowsOfOneProcessApartBySize) {
    const auto windows = recordedWindows("floating_over_tiled.json");
    struct Case {
        const char* what;
        std::int32_t pid;
        const char* title;
        std::int32_t width, height;
        std::optional<std::pair<int, int>> origin;
    };
    const Case cases[] = {
        {"the larger twin", 1494, "Tavik Twin", 360, 240, std::pair(460, 392)},
        {"the smaller twin", 1494, "Tavik Twin", 260, 180, std::pair(510, 422)},
        // Only the smaller one fits inside: a margin of 20 x 10 drawn around it.
        {"a margin around one twin only", 1494, "Tavik Twin", 300, 200, std::pair(490, 412)},
        // Larger than both: either could have the margin.
        {"a size around both twins", 1494, "Tavik Twin", 400, 300, std::nullopt},
        {"a size neither can have", 1494, "Tavik Twin", 100, 100, std::nullopt},
        // One window of that title is the one, whatever its size (a size
        // smaller than the geometry: a resize under way); only a larger
        // size says a margin is drawn.
        {"the only window of its title", 1620, "Tavik Fixture Many", 150, 100, std::pair(302, 302)},
        {"the only window, with a margin", 1620, "Tavik Fixture Many", 240, 220, std::pair(282, 292)},
        {"another process's title", 1494, "Tavik Fixture Many", 200, 200, std::nullopt},
        {"no such title", 1514, "Tavik", 636, 1020, std::nullopt},
        {"a title differing in case", 1494, "tavik twin", 360, 240, std::nullopt},
        {"pid 0", 0, "Tavik Twin", 360, 240, std::nullopt},
        {"a negative pid", -1494, "Tavik Twin", 360, 240, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(originPair(contentOriginAmong(windows, c.pid, c.title, c.width, c.height)), c.origin);
    }
}

TEST(SwayContentOrigin, SameTitledWindowsOfOneSizeAreNotGuessed) {
    const auto windows = parseTree(workspaceTree(windowNode(5, 77, "Same", "0 0 644 1024", "2 2 640 1020", "con") + "," +
                                                 windowNode(6, 77, "Same", "644 0 644 1024", "2 2 640 1020", "con")));
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_FALSE(contentOriginAmong(windows, 77, "Same", 640, 1020));
    // Another process's window of that size and title does not count.
    const auto mixed = parseTree(workspaceTree(windowNode(5, 77, "Same", "0 0 644 1024", "2 2 640 1020", "con") + "," +
                                               windowNode(6, 78, "Same", "644 0 644 1024", "2 2 640 1020", "con")));
    EXPECT_EQ(originPair(contentOriginAmong(mixed, 78, "Same", 640, 1020)), std::pair(646, 2));
}

// gtk3-demo floating with its own title bar: GTK 3 reports its window 52
// pixels wider and higher than the geometry sway places (its shadow), and
// counts its coordinates from the shadow's corner.
TEST(SwayContentOrigin, AReportedWindowLargerThanTheGeometryCountsFromTheDrawnMargin) {
    const auto windows = recordedWindows("xwayland_hidden.json");
    EXPECT_EQ(originPair(contentOriginAmong(windows, 2943, "Application Class", 852, 699)), std::pair(74, 124));
    EXPECT_EQ(originPair(contentOriginAmong(windows, 2943, "Application Class", 800, 647)), std::pair(100, 150));
    // The window geometry itself, for a caller that knows the margin.
    const auto content = platform::sway::contentAmong(windows, 2943, "Application Class", 852, 699);
    ASSERT_TRUE(content);
    EXPECT_EQ(*content, (platform::sway::Rectangle{100, 150, 800, 647}));
}

TEST(SwayWindowNamed, FindsTheTitledWindowElseTheProcesssOnlyWindow) {
    const auto windows = recordedWindows("floating_over_tiled.json");
    struct Case {
        std::int32_t pid;
        const char* title;
        std::optional<std::int64_t> id;
    };
    const Case cases[] = {
        {1514, "Tavik Fixture Second", 9},
        {1620, "another title", 8},  // its only window
        {1514, "another title", std::nullopt},  // two windows, neither titled so
        {1494, "Tavik Twin", 5},  // neither twin focused: the first
        {4242, "Tavik Fixture Second", std::nullopt},
        {0, "Tavik Fixture Second", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.pid) + " " + c.title);
        const auto window = windowNamed(windows, c.pid, c.title);
        EXPECT_EQ(window ? std::optional<std::int64_t>(window->id) : std::nullopt, c.id);
    }
}

TEST(SwayWindowNamed, AmongSameTitledWindowsTheFocusedOneIsMeant) {
    const std::string first = windowNode(5, 77, "Same", "0 0 10 10", "1 1 8 8");
    std::string second = windowNode(6, 77, "Same", "20 0 10 10", "1 1 8 8");
    second.replace(second.find(R"("focused":false)"), 15, R"("focused":true)");
    const auto window = windowNamed(parseTree(workspaceTree("", first + "," + second)), 77, "Same");
    ASSERT_TRUE(window);
    EXPECT_EQ(window->id, 6);
    EXPECT_TRUE(window->focused);
}

TEST(SwayOwnerAt, TheTopmostVisibleWindowOwnsAPointOnItsContent) {
    struct Case {
        const char* fixture;
        Point point;
        std::optional<std::int32_t> owner;
    };
    const Case cases[] = {
        // Tiled only.
        {"floating_over_tiled.json", {100, 100}, 1514},
        // A floating twin above the tiled window.
        {"floating_over_tiled.json", {700, 500}, 1494},
        // "Many" (pid 1620), later in the floating list, above the first
        // twin above the tiled window.
        {"floating_over_tiled.json", {480, 450}, 1620},
        {"floating_over_tiled.json", {480.5, 450.9}, 1620},
        // On Many's border, above the twin: sway's, nobody's.
        {"floating_over_tiled.json", {503, 450}, std::nullopt},
        {"floating_over_tiled.json", {504, 450}, 1494},  // just outside Many
        {"floating_over_tiled.json", {-1, 10}, std::nullopt},
        {"floating_over_tiled.json", {1280, 10}, std::nullopt},
        {"floating_over_tiled.json", {std::nan(""), 10}, std::nullopt},
        {"floating_over_tiled.json", {std::numeric_limits<double>::infinity(), 10}, std::nullopt},
        // A window on a hidden workspace or in the scratchpad owns nothing.
        {"xwayland_hidden.json", {1000, 900}, 2982},
        {"xwayland_hidden.json", {120, 200}, 2943},
        // Fullscreen covers the floating window.
        {"fullscreen.json", {120, 200}, 2982},
        // On a floating window's title bar above a tiled window: sway's.
        {"title_bars.json", {310, 310}, std::nullopt},
        {"title_bars.json", {310, 330}, 5150},
        // A tiled window's title bar (pid 5148 below it), and a tab bar.
        {"title_bars.json", {10, 10}, std::nullopt},
        {"tabbed.json", {10, 10}, std::nullopt},
        // Of two tabs, the one shown.
        {"tabbed.json", {100, 100}, 5148},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " at " + std::to_string(c.point.x) + "," + std::to_string(c.point.y));
        EXPECT_EQ(ownerAmong(recordedWindows(c.fixture), c.point), c.owner);
    }
}

}  // namespace
