// The platform's display, capture and window-manager operations on the
// session's display server. On Wayland the window manager is the
// compositor, asked through sway's IPC; a compositor without it tells no
// client about windows, so nothing is found there.
#include "platform/capture.h"
#include "platform/displays.h"
#include "platform/linux/display_server.h"
#include "platform/linux/sway/windows.h"
#include "platform/linux/wayland/platform.h"
#include "platform/linux/x11/monitors.h"
#include "platform/linux/x11/operations.h"
#include "platform/window_manager.h"

namespace platform {
namespace {

bool onWayland() { return display_server::kind() == display_server::Kind::wayland; }

std::vector<Monitor> sessionMonitors() { return onWayland() ? wayland::monitors() : x11::monitors(); }

}  // namespace

// A display's identifier is its position in the session's list plus one,
// so that 0 names no display.
std::uint32_t activeDisplayCount() { return static_cast<std::uint32_t>(sessionMonitors().size()); }

std::vector<DisplayId> activeDisplayList(std::uint32_t capacity) {
    std::vector<DisplayId> list;
    const std::uint32_t count = activeDisplayCount();
    for (std::uint32_t i = 0; i < count && i < capacity; ++i) list.push_back(i + 1);
    return list;
}

Rect displayBounds(DisplayId display) {
    const std::vector<Monitor> list = sessionMonitors();
    if (display == 0 || display > list.size()) return Rect{};
    return list[display - 1].bounds;
}

// The primary display, else the first; 0 (no display) without any.
DisplayId mainDisplayId() {
    const std::vector<Monitor> list = sessionMonitors();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].primary) return static_cast<DisplayId>(i + 1);
    return list.empty() ? 0 : 1;
}

std::optional<Image> captureScreenImage(Rect rect) {
    return onWayland() ? wayland::captureScreenImage(rect) : x11::captureScreenImage(rect);
}

std::string captureFailureReason() {
    return onWayland() ? wayland::captureFailureReason() : x11::captureFailureReason();
}

bool isWindowActive(std::int32_t pid, const std::string& title) {
    return onWayland() ? sway::isWindowActive(pid, title) : x11::isWindowActive(pid, title);
}

bool activateWindow(std::int32_t pid, const std::string& title) {
    return onWayland() ? sway::activateWindow(pid, title) : x11::activateWindow(pid, title);
}

std::optional<std::int32_t> windowOwnerAt(Point point) {
    return onWayland() ? sway::windowOwnerAt(point) : x11::windowOwnerAt(point);
}

}  // namespace platform
