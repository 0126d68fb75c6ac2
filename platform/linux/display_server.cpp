#include "platform/linux/display_server.h"

#include <vector>

#include "platform/linux/mutter/platform.h"
#include "platform/linux/sway/window_rules.h"
#include "platform/linux/sway/windows.h"
#include "platform/linux/wayland/connection.h"
#include "platform/linux/wayland/platform.h"
#include "platform/linux/x11/root_bus_address.h"
#include "platform/linux/x11/window_box.h"
#include "platform/linux/x11/window_origin.h"

namespace platform::display_server {
namespace {

std::optional<ContentOrigin> x11Origin(std::int32_t pid, const std::string& title, std::int32_t width,
                                       std::int32_t height) {
    const auto origin = x11::topLevelContentOrigin(pid, title, width, height);
    if (!origin) return std::nullopt;
    return ContentOrigin{origin->x, origin->y};
}

Kind chooseKind() {
    if (!wayland::sessionAvailable()) return Kind::x11;
    const wayland::Connection* connection = wayland::Connection::shared();
    if (connection && !connection->pointerManager() && mutter::serviceAvailable()) return Kind::gnome;
    return Kind::wayland;
}

}  // namespace

Kind kind() {
    static const Kind chosen = chooseKind();
    return chosen;
}

std::optional<ContentOrigin> coordinateOrigin(std::int32_t pid, const std::string& title, std::int32_t width,
                                              std::int32_t height, bool windowRelative) {
    if (kind() == Kind::x11) {
        if (!windowRelative) return ContentOrigin{0, 0};
        return x11Origin(pid, title, width, height);
    }
    if (kind() == Kind::gnome) {
        // Mutter tells a process of the same user where no window is (see
        // README, GNOME). Only an XWayland client, an X11 client of the X
        // server mutter runs, knows where its window is, and says so.
        if (!x11Origin(pid, title, 0, 0)) return std::nullopt;
        if (!windowRelative) return ContentOrigin{0, 0};
        return x11Origin(pid, title, width, height);
    }
    // Only the compositor knows where windows are (sway's IPC; other
    // compositors tell no client).
    const std::vector<sway::Window> windows = sway::windows();
    const auto window = sway::windowNamed(windows, pid, title);
    if (!window) return std::nullopt;
    // An XWayland client is an X11 client of the X server the compositor
    // runs, which places its windows where the compositor has them.
    if (window->xwayland) {
        if (!windowRelative) return ContentOrigin{0, 0};
        return x11Origin(pid, title, width, height);
    }
    const auto origin = sway::contentOriginAmong(windows, pid, title, width, height);
    if (!origin) return std::nullopt;
    return ContentOrigin{origin->x, origin->y};
}

std::optional<WindowRectangle> topLevelRectangle(std::int32_t pid, const std::string& title) {
    if (kind() == Kind::x11 || kind() == Kind::gnome) {
        const auto box = x11::topLevelWindowBox(pid, title);
        if (!box) return std::nullopt;
        return WindowRectangle{box->x, box->y, box->width, box->height};
    }
    // No size to tell same-titled windows apart by: only a process's one
    // window of that title is taken.
    const std::vector<sway::Window> windows = sway::windows();
    const auto content = sway::contentAmong(windows, pid, title, -1, -1);
    const auto window = sway::windowNamed(windows, pid, title);
    if (!content || !window || !window->visible) return std::nullopt;
    return WindowRectangle{content->x, content->y, content->width, content->height};
}

bool showsTopLevel(std::int32_t pid, const std::string& title) {
    if (kind() == Kind::x11 || kind() == Kind::gnome) return x11::topLevelContentOrigin(pid, title, 0, 0).has_value();
    return sway::windowNamed(sway::windows(), pid, title).has_value();
}

std::optional<std::string> publishedBusAddress() { return x11::rootWindowBusAddress(); }

}  // namespace platform::display_server
