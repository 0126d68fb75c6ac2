#include <gtest/gtest.h>

#include <string>

#include "platform/linux/sway/tree.h"
#include "fixture_trees.h"

namespace {

using platform::sway::Layer;
using platform::sway::parseTree;
using platform::sway::Rectangle;
using platform::sway::Window;
using sway_test::recordedWindows;
using sway_test::windowNode;
using sway_test::workspaceTree;

const Window* byId(const std::vector<Window>& windows, std::int64_t id) {
    for (const Window& window : windows)
        if (window.id == id) return &window;
    return nullptr;
}

TEST(SwayTree, ReadsWindowsWithTheirLayerInStackingOrder) {
    const auto windows = recordedWindows("floating_over_tiled.json");
    ASSERT_EQ(windows.size(), 5u);
    std::vector<std::int64_t> ids;
    for (const Window& window : windows) ids.push_back(window.id);
    // Tiled first, then the floating list in sway's order (last on top).
    EXPECT_EQ(ids, (std::vector<std::int64_t>{7, 9, 5, 6, 8}));
    EXPECT_EQ(windows[0].layer, Layer::Tiled);
    EXPECT_EQ(windows[2].layer, Layer::Floating);
    EXPECT_LT(windows[2].stackOrder, windows[4].stackOrder);
    EXPECT_EQ(windows[0].title, "Tavik Fixture — Ünïcødé");
    EXPECT_EQ(windows[0].pid, 1514);
    EXPECT_EQ(windows[0].appId, "tavik_fixture");
    EXPECT_FALSE(windows[0].xwayland);
    EXPECT_TRUE(windows[1].focused);
    EXPECT_FALSE(windows[0].focused);
}

TEST(SwayTree, XWaylandWindowsAreNamedByTheirClassAndHiddenOnesAreNotVisible) {
    const auto windows = recordedWindows("xwayland_hidden.json");
    const Window* shown = byId(windows, 6);
    const Window* otherWorkspace = byId(windows, 7);
    const Window* scratchpad = byId(windows, 8);
    ASSERT_TRUE(shown && otherWorkspace && scratchpad);
    EXPECT_TRUE(shown->xwayland);
    EXPECT_EQ(shown->appId, "Tavik_fixture");
    EXPECT_TRUE(shown->visible);
    EXPECT_FALSE(otherWorkspace->visible);
    EXPECT_FALSE(scratchpad->visible);
}

// Where the client's window lies on the screen, for each way sway frames
// it: sway's window_rect.y is the border width for any "pixel" border (also
// fullscreen, where no border shows) and 0 under a title bar.
TEST(SwayTree, ContentIsTheClientsWindowOnScreenForEveryFrame) {
    struct Case {
        const char* fixture;
        std::int64_t id;
        Rectangle content;
        Rectangle frame;
    };
    const Case cases[] = {
        // 2-pixel border, tiled and floating.
        {"floating_over_tiled.json", 7, {2, 2, 636, 1020}, {0, 0, 640, 1024}},
        {"floating_over_tiled.json", 8, {302, 302, 200, 200}, {300, 300, 204, 204}},
        // A client drawing its own title bar: no border.
        {"xwayland_hidden.json", 5, {100, 150, 800, 647}, {100, 150, 800, 647}},
        // Fullscreen: the whole output, whatever window_rect.y says.
        {"fullscreen.json", 6, {0, 0, 1280, 1024}, {0, 0, 1280, 1024}},
        // sway's title bar (25 pixels) above rect, borders left, right, below.
        {"title_bars.json", 6, {2, 25, 636, 997}, {0, 0, 640, 1024}},
        {"title_bars.json", 5, {302, 325, 200, 200}, {300, 300, 204, 227}},
        // A tab: its title is in the parent's tab bar, not above rect.
        {"tabbed.json", 7, {2, 25, 1276, 997}, {0, 25, 1280, 999}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " window " + std::to_string(c.id));
        const auto windows = recordedWindows(c.fixture);
        const Window* window = byId(windows, c.id);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->content(), c.content);
        EXPECT_EQ(window->frame(), c.frame);
    }
}

TEST(SwayTree, FullscreenWindowsLieAboveFloatingOnes) {
    const auto windows = recordedWindows("fullscreen.json");
    ASSERT_NE(byId(windows, 6), nullptr);
    EXPECT_EQ(byId(windows, 6)->layer, Layer::Fullscreen);
    EXPECT_EQ(byId(windows, 5)->layer, Layer::Floating);
}

// Whatever comes back on the socket, parsing ends and gives what it could
// read: nothing from input that is not a tree, no window from a node whose
// fields are missing or of the wrong type.
TEST(SwayTree, MalformedRepliesGiveNoWindows) {
    const std::string good = windowNode(5, 100, "A", "0 0 10 10", "1 1 8 8");
    const std::string cases[] = {
        "",
        "not json",
        "[]",
        "null",
        "42",
        R"({"nodes": 5, "floating_nodes": {"a": 1}})",
        R"({"nodes": [1, "x", null, [], true]})",
        workspaceTree(good).substr(0, 60),  // cut short
        workspaceTree(R"({"id":5,"type":"con","pid":"100","name":"A","rect":{"x":0,"y":0,"width":10,"height":10},)"
                      R"("window_rect":{"x":1,"y":1,"width":8,"height":8}})"),
        workspaceTree(R"({"id":5,"type":"con","pid":100,"name":"A","rect":{"x":0,"y":0,"width":10},)"
                      R"("window_rect":{"x":1,"y":1,"width":8,"height":8}})"),
        workspaceTree(R"({"id":5,"type":"con","pid":100,"name":"A","rect":[0,0,10,10],)"
                      R"("window_rect":{"x":1,"y":1,"width":8,"height":8}})"),
        workspaceTree(R"({"id":5,"type":"con","pid":100,"rect":{"x":0,"y":0,"width":-10,"height":10},)"
                      R"("window_rect":{"x":1,"y":1,"width":8,"height":8}})"),
        workspaceTree(R"({"id":5,"type":"con","pid":100,"rect":{"x":1e300,"y":0,"width":10,"height":10},)"
                      R"("window_rect":{"x":1,"y":1,"width":8,"height":8}})"),
        workspaceTree(R"({"id":5,"type":"con","pid":100,"rect":{"x":2147483647,"y":0,"width":10,"height":10},)"
                      R"("window_rect":{"x":2147483647,"y":1,"width":8,"height":8}})"),
        workspaceTree(R"({"id":5,"type":"con","pid":99999999999,"rect":{"x":0,"y":0,"width":10,"height":10},)"
                      R"("window_rect":{"x":1,"y":1,"width":8,"height":8}})"),
        workspaceTree(R"({"id":-1.5,"type":"con","pid":100,"rect":{"x":0,"y":0,"width":10,"height":10},)"
                      R"("window_rect":{"x":1,"y":1,"width":8,"height":8}})"),
        workspaceTree(R"({"id":5,"type":"con","pid":0,"rect":{"x":0,"y":0,"width":10,"height":10},)"
                      R"("window_rect":{"x":1,"y":1,"width":8,"height":8}})"),
        workspaceTree(R"({"id":5,"type":"workspace","pid":100,"rect":{"x":0,"y":0,"width":10,"height":10},)"
                      R"("window_rect":{"x":1,"y":1,"width":8,"height":8}})"),
        // Ill-formed UTF-8 in a title: the whole reply is refused.
        workspaceTree(windowNode(5, 100, "A\xff", "0 0 10 10", "1 1 8 8")),
    };
    for (const std::string& reply : cases) {
        SCOPED_TRACE(reply.substr(0, 200));
        EXPECT_TRUE(parseTree(reply).empty());
    }
    // The well-formed control case.
    EXPECT_EQ(parseTree(workspaceTree(good)).size(), 1u);
}

TEST(SwayTree, NestingFarDeeperThanAnyLayoutEndsWithoutWindowsBelowTheLimit) {
    const int depth = 100000;
    std::string deep;
    for (int level = 0; level < depth; ++level) deep += R"({"type":"con","nodes":[)";
    deep += windowNode(5, 100, "Deep", "0 0 10 10", "1 1 8 8", "con");
    for (int level = 0; level < depth; ++level) deep += "]}";
    EXPECT_TRUE(parseTree(deep).empty());
    std::string arrays(depth, '[');
    arrays += std::string(depth, ']');
    EXPECT_TRUE(parseTree(arrays).empty());
}

TEST(SwayTree, ATenMegabyteTitleIsReadAsItIs) {
    const std::string title(10u << 20, 'x');
    const auto windows = parseTree(workspaceTree(windowNode(5, 100, title, "0 0 10 10", "1 1 8 8")));
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].title.size(), title.size());
    // The same reply cut inside the title: nothing.
    const std::string cut = workspaceTree(windowNode(5, 100, title, "0 0 10 10", "1 1 8 8")).substr(0, 5u << 20);
    EXPECT_TRUE(parseTree(cut).empty());
}

}  // namespace
