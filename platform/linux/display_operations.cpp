// The platform's display, capture and window-manager operations on the
// session's display server. On Wayland the window manager is the
// compositor, asked through sway's IPC; a compositor without it tells no
// client about windows, so nothing is found there.
#include "platform/capture.h"
#include "platform/displays.h"
#include "platform/linux/display_server.h"
#include "platform/linux/sway/windows.h"
#include "platform/linux/wayland/platform.h"
#include "platform/linux/x11/operations.h"
#include "platform/window_manager.h"

namespace platform {
namespace {

bool onWayland() { return display_server::kind() == display_server::Kind::wayland; }

}  // namespace

std::uint32_t activeDisplayCount() { return onWayland() ? wayland::activeDisplayCount() : x11::activeDisplayCount(); }

std::vector<DisplayId> activeDisplayList(std::uint32_t capacity) {
    return onWayland() ? wayland::activeDisplayList(capacity) : x11::activeDisplayList(capacity);
}

Rect displayBounds(DisplayId display) {
    return onWayland() ? wayland::displayBounds(display) : x11::displayBounds(display);
}

DisplayId mainDisplayId() { return onWayland() ? wayland::mainDisplayId() : x11::mainDisplayId(); }

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
