// The platform's display, capture and window-manager operations on the
// session's display server. On Wayland the window manager is the
// compositor, asked through sway's IPC; a compositor without it tells no
// client about windows, so nothing is found there. GNOME's mutter tells
// a process of the same user neither where windows are nor which one is
// active: the active window is the one its toolkit marks active through
// the accessibility service, no window can be activated, and none is
// found at a point.
#include "platform/capture.h"
#include "platform/displays.h"
#include "platform/linux/atspi/active_window.h"
#include "platform/linux/display_server.h"
#include "platform/linux/mutter/platform.h"
#include "platform/linux/sway/windows.h"
#include "platform/linux/wayland/platform.h"
#include "platform/linux/x11/monitors.h"
#include "platform/linux/x11/operations.h"
#include "platform/timing.h"
#include "platform/window_manager.h"

namespace platform {
namespace {

using display_server::Kind;

Kind server() { return display_server::kind(); }

// GNOME: no window can be activated, but the window mutter has focused is
// marked active only once its toolkit has the keyboard focus, which comes
// with the keyboard of the run's input session (a new device each run, as
// the last run's went with it): waited for, bounded.
bool awaitToolkitActive(std::int32_t pid, const std::string& title) {
    constexpr std::uint64_t timeoutMicroseconds = 1000000;
    constexpr std::uint32_t pollMicroseconds = 50000;
    const std::uint64_t deadline = monotonicMicroseconds() + timeoutMicroseconds;
    while (!atspi::toolkitMarksActive(pid, title)) {
        if (monotonicMicroseconds() >= deadline) return false;
        sleepMicroseconds(pollMicroseconds);
    }
    return true;
}

std::vector<Monitor> sessionMonitors() {
    if (server() == Kind::gnome) return mutter::monitors();
    return server() == Kind::wayland ? wayland::monitors() : x11::monitors();
}

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
    if (server() == Kind::gnome) return mutter::captureScreenImage(rect);
    return server() == Kind::wayland ? wayland::captureScreenImage(rect) : x11::captureScreenImage(rect);
}

std::string captureFailureReason() {
    if (server() == Kind::gnome) return mutter::captureFailureReason();
    return server() == Kind::wayland ? wayland::captureFailureReason() : x11::captureFailureReason();
}

bool isWindowActive(std::int32_t pid, const std::string& title) {
    if (server() == Kind::gnome) return atspi::toolkitMarksActive(pid, title);
    return server() == Kind::wayland ? sway::isWindowActive(pid, title) : x11::isWindowActive(pid, title);
}

bool activateWindow(std::int32_t pid, const std::string& title) {
    if (server() == Kind::gnome) return awaitToolkitActive(pid, title);
    return server() == Kind::wayland ? sway::activateWindow(pid, title) : x11::activateWindow(pid, title);
}

std::optional<std::int32_t> windowOwnerAt(Point point) {
    if (server() == Kind::gnome) return std::nullopt;
    return server() == Kind::wayland ? sway::windowOwnerAt(point) : x11::windowOwnerAt(point);
}

}  // namespace platform
