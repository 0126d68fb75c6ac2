#include "platform/linux/sway/window_rules.h"

#include <tuple>

namespace platform::sway {
namespace {

ContentOrigin originOf(const Rectangle& content, std::int32_t width, std::int32_t height) {
    ContentOrigin origin{content.x, content.y};
    // A margin drawn around the window geometry: sway does not tell where
    // the geometry sits in the surface, so it is taken as even on both
    // sides (GTK 3's shadow is 6 pixels deeper below than above).
    if (width >= content.width && height >= content.height) {
        origin.x -= (width - content.width) / 2;
        origin.y -= (height - content.height) / 2;
    }
    return origin;
}

}  // namespace

std::optional<Rectangle> contentAmong(const std::vector<Window>& windows, std::int32_t pid, const std::string& title,
                                      std::int32_t width, std::int32_t height) {
    if (pid <= 0) return std::nullopt;
    std::vector<const Window*> named, exact, larger;
    for (const Window& window : windows) {
        if (window.pid != pid || window.title != title) continue;
        named.push_back(&window);
        const Rectangle content = window.content();
        if (content.width == width && content.height == height) {
            exact.push_back(&window);
        } else if (width >= content.width && height >= content.height) {
            larger.push_back(&window);
        }
    }
    if (named.size() == 1) return named.front()->content();
    if (exact.size() == 1) return exact.front()->content();
    if (exact.empty() && larger.size() == 1) return larger.front()->content();
    return std::nullopt;
}

std::optional<ContentOrigin> contentOriginAmong(const std::vector<Window>& windows, std::int32_t pid,
                                                const std::string& title, std::int32_t width, std::int32_t height) {
    const auto content = contentAmong(windows, pid, title, width, height);
    if (!content) return std::nullopt;
    return originOf(*content, width, height);
}

std::optional<Window> windowNamed(const std::vector<Window>& windows, std::int32_t pid, const std::string& title) {
    if (pid <= 0) return std::nullopt;
    const Window* titled = nullptr;
    const Window* only = nullptr;
    int owned = 0;
    for (const Window& window : windows) {
        if (window.pid != pid) continue;
        ++owned;
        only = &window;
        if (window.title == title && (!titled || (window.focused && !titled->focused))) titled = &window;
    }
    if (titled) return *titled;
    if (owned == 1) return *only;
    return std::nullopt;
}

std::optional<std::int32_t> ownerAmong(const std::vector<Window>& windows, Point point) {
    const Window* top = nullptr;
    for (const Window& window : windows) {
        if (!window.visible || !window.frame().contains(point.x, point.y)) continue;
        if (!top || std::tuple(window.layer, window.stackOrder) > std::tuple(top->layer, top->stackOrder))
            top = &window;
    }
    if (!top || !top->content().contains(point.x, point.y)) return std::nullopt;
    return top->pid;
}

}  // namespace platform::sway
