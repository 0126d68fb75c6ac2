#pragma once

// The recorded GET_TREE replies in fixtures/ (trimmed to the fields that
// are read), and small trees built for one case.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/sway/tree.h"

namespace sway_test {

// floating_over_tiled.json: two tiled windows of pid 1514; floating above
// them, in this order, two windows "Tavik Twin" of pid 1494 (content
// 360x240 and 260x180) and "Tavik Fixture Many" of pid 1620.
// xwayland_hidden.json: gtk3-demo floating with its own title bar (pid
// 2943, 800x647 at 100,150, no border), XWayland windows of pid 2982, one
// on the hidden workspace 2 and one in the scratchpad.
// fullscreen.json: the same with the XWayland window 6 fullscreen.
// title_bars.json: windows with sway's title bar ("border normal"), one
// floating at 300,300 over the tiled ones. tabbed.json: tiled windows as
// tabs.
inline std::string recordedTree(const std::string& name) {
    std::ifstream file(std::string(TAVIK_SWAY_FIXTURES) + "/" + name);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline std::vector<platform::sway::Window> recordedWindows(const std::string& name) {
    return platform::sway::parseTree(recordedTree(name));
}

// A tree of one workspace holding these nodes (JSON objects) as tiled and
// floating children.
inline std::string workspaceTree(const std::string& tiled, const std::string& floating = "") {
    return R"({"id":1,"type":"root","nodes":[{"id":3,"type":"output","nodes":[{"id":4,"type":"workspace",)"
           R"("layout":"splith","nodes":[)" +
           tiled + R"(],"floating_nodes":[)" + floating + "]}]}]}";
}

// A window node; rect and content as x, y, width, height.
inline std::string windowNode(int id, int pid, const std::string& title, const std::string& rect,
                              const std::string& windowRect, const std::string& type = "floating_con") {
    auto box = [](const std::string& values) {
        std::istringstream in(values);
        int x = 0, y = 0, width = 0, height = 0;
        in >> x >> y >> width >> height;
        return R"({"x":)" + std::to_string(x) + R"(,"y":)" + std::to_string(y) + R"(,"width":)" +
               std::to_string(width) + R"(,"height":)" + std::to_string(height) + "}";
    };
    return R"({"id":)" + std::to_string(id) + R"(,"type":")" + type + R"(","pid":)" + std::to_string(pid) +
           R"(,"name":")" + title + R"(","visible":true,"focused":false,"rect":)" + box(rect) +
           R"(,"window_rect":)" + box(windowRect) + "}";
}

}  // namespace sway_test
