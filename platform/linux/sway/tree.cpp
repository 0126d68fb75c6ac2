#include "platform/linux/sway/tree.h"

#include <algorithm>
#include <limits>
#include <optional>

#include <nlohmann/json.hpp>

namespace platform::sway {
namespace {

using nlohmann::json;

// Deeper than any real layout (root, output, workspace, a few splits).
constexpr int depthLimit = 256;
// Coordinates and sizes beyond this are no real layout; within it, sums of
// two never overflow.
constexpr std::int64_t coordinateLimit = std::int64_t(1) << 24;

const json* member(const json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::int64_t> integer(const json* value) {
    if (!value) return std::nullopt;
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
        return static_cast<std::int64_t>(number);
    }
    if (value->is_number_integer()) return value->get<std::int64_t>();
    return std::nullopt;
}

std::optional<std::int32_t> integer32(const json* value) {
    const auto number = integer(value);
    if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
        *number > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*number);
}

std::string text(const json* value) {
    return value && value->is_string() ? value->get_ref<const std::string&>() : std::string();
}

bool flag(const json* value) { return value && value->is_boolean() && value->get<bool>(); }

std::optional<std::int32_t> coordinate(const json* value, std::int64_t lowest) {
    const auto number = integer(value);
    if (!number || *number < lowest || *number > coordinateLimit) return std::nullopt;
    return static_cast<std::int32_t>(*number);
}

std::optional<Rectangle> rectangle(const json* value) {
    if (!value) return std::nullopt;
    const auto x = coordinate(member(*value, "x"), -coordinateLimit);
    const auto y = coordinate(member(*value, "y"), -coordinateLimit);
    const auto width = coordinate(member(*value, "width"), 0);
    const auto height = coordinate(member(*value, "height"), 0);
    if (!x || !y || !width || !height) return std::nullopt;
    return Rectangle{*x, *y, *width, *height};
}

// A node that shows a client: a pid, an id and both rectangles.
std::optional<Window> windowOf(const json& node) {
    const auto pid = integer32(member(node, "pid"));
    const auto id = integer(member(node, "id"));
    const auto rect = rectangle(member(node, "rect"));
    const auto windowRect = rectangle(member(node, "window_rect"));
    if (!pid || *pid <= 0 || !id || !rect || !windowRect) return std::nullopt;
    Window window;
    window.id = *id;
    window.pid = *pid;
    window.title = text(member(node, "name"));
    window.xwayland = text(member(node, "shell")) == "xwayland";
    window.appId = text(member(node, "app_id"));
    if (window.appId.empty()) {
        if (const json* properties = member(node, "window_properties")) window.appId = text(member(*properties, "class"));
    }
    window.focused = flag(member(node, "focused"));
    window.visible = flag(member(node, "visible"));
    window.rect = *rect;
    window.windowRect = *windowRect;
    if (const auto decoration = rectangle(member(node, "deco_rect"))) window.titleBar = decoration->height;
    return window;
}

struct Pending {
    const json* node;
    int depth;
    bool floating;
    bool fullscreen;
    bool inTabs;  // the parent shows its children as tabs or a stack
};

}  // namespace

bool Rectangle::contains(double pointX, double pointY) const {
    return pointX >= x && pointY >= y && pointX < double(x) + width && pointY < double(y) + height;
}

Rectangle Window::content() const {
    const std::int32_t top = std::clamp(rect.height - windowRect.height - windowRect.x, 0,
                                        std::max(0, rect.height - windowRect.height));
    return Rectangle{rect.x + windowRect.x, rect.y + top, windowRect.width, windowRect.height};
}

Rectangle Window::frame() const {
    return Rectangle{rect.x, rect.y - titleBar, rect.width, rect.height + titleBar};
}

std::vector<Window> parseTree(std::string_view reply) {
    const json tree = json::parse(reply.begin(), reply.end(), nullptr, false);
    std::vector<Window> windows;
    if (!tree.is_object()) return windows;
    // Depth first, children in their order, so the floating list keeps its
    // stacking order.
    std::vector<Pending> pending{{&tree, 0, false, false, false}};
    std::int32_t order = 0;
    while (!pending.empty()) {
        const Pending current = pending.back();
        pending.pop_back();
        const json& node = *current.node;
        if (!node.is_object()) continue;
        const auto fullscreenMode = integer(member(node, "fullscreen_mode"));
        const bool isContainer = text(member(node, "type")) == "con" || text(member(node, "type")) == "floating_con";
        const bool fullscreen = current.fullscreen || (isContainer && fullscreenMode && *fullscreenMode != 0);
        if (isContainer) {
            if (auto window = windowOf(node)) {
                window->layer = fullscreen ? Layer::Fullscreen : current.floating ? Layer::Floating : Layer::Tiled;
                if (current.inTabs || fullscreen) window->titleBar = 0;
                window->stackOrder = order++;
                windows.push_back(std::move(*window));
            }
        }
        if (current.depth >= depthLimit) continue;
        const std::string layout = text(member(node, "layout"));
        const bool tabs = layout == "tabbed" || layout == "stacked";
        // Pushed in reverse so that they come off the stack in order.
        for (const char* key : {"floating_nodes", "nodes"}) {
            const json* children = member(node, key);
            if (!children || !children->is_array()) continue;
            const bool floating = current.floating || std::string_view(key) == "floating_nodes";
            for (auto child = children->rbegin(); child != children->rend(); ++child)
                pending.push_back({&*child, current.depth + 1, floating, fullscreen, tabs && !floating});
        }
    }
    return windows;
}

}  // namespace platform::sway
