// Which top-level window takes the keyboard, and whose window lies under a
// point, through the window manager's EWMH properties on the root window
// (with plain X focus and the window tree when no window manager keeps
// them).
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/x11/operations.h"
#include "platform/linux/x11/connection.h"
#include "platform/linux/x11/window_properties.h"
#include "platform/timing.h"
#include "platform/window_manager.h"

namespace platform {
namespace {

using x11::cardinalProperty;
using x11::clientWindows;
using x11::hasProperty;
using x11::windowPid;
using x11::windowTitle;

// The window manager is given this long to activate a window.
constexpr int activationPolls = 50;
constexpr std::uint32_t activationPollMicroseconds = 20000;
// A window manager's frame holds the client window a level or two down.
constexpr int frameDepthLimit = 8;

bool viewable(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// The viewable client window of process pid titled title, else its only
// viewable client window.
std::optional<Window> clientWindow(Display* display, std::int32_t pid, const std::string& title) {
    if (pid <= 0) return std::nullopt;
    std::optional<Window> only;
    int owned = 0;
    for (Window window : clientWindows(display, DefaultRootWindow(display))) {
        if (windowPid(display, window) != pid || !viewable(display, window)) continue;
        if (windowTitle(display, window) == title) return window;
        ++owned;
        only = window;
    }
    return owned == 1 ? only : std::nullopt;
}

bool managerKeepsActiveWindow(Display* display) {
    const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    if (active == None) return false;
    for (unsigned long atom : cardinalProperty(display, DefaultRootWindow(display), "_NET_SUPPORTED", XA_ATOM, 1024))
        if (atom == active) return true;
    return false;
}

// Whether window is focus or one of its ancestors.
bool containsFocus(Display* display, Window window, Window focus) {
    const Window root = DefaultRootWindow(display);
    for (int depth = 0; focus != None && focus != PointerRoot && focus != root && depth < 64; ++depth) {
        if (focus == window) return true;
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, focus, &rootReturn, &parent, &children, &count)) return false;
        if (children) XFree(children);
        focus = parent;
    }
    return false;
}

bool isActive(Display* display, Window window) {
    if (managerKeepsActiveWindow(display)) {
        const auto active = cardinalProperty(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW, 1);
        return !active.empty() && active[0] == window;
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return containsFocus(display, window, focus);
}

void requestActivation(Display* display, Window window) {
    if (!managerKeepsActiveWindow(display)) {
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XSync(display, False);
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    // Source 2 (a pager, acting for the user): window managers apply no
    // focus-stealing prevention to it.
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display, False);
}

// The pixel that holds a point (X coordinates are whole 16-bit numbers).
std::optional<int> pixelCoordinate(double value) {
    if (!(value >= -32768.0 && value < 32768.0)) return std::nullopt;
    return static_cast<int>(std::floor(value));
}

}  // namespace

namespace x11 {

bool isWindowActive(std::int32_t pid, const std::string& title) {
    Display* display = x11::connection();
    if (!display) return false;
    const auto window = clientWindow(display, pid, title);
    return window && isActive(display, *window);
}

bool activateWindow(std::int32_t pid, const std::string& title) {
    Display* display = x11::connection();
    if (!display) return false;
    const auto window = clientWindow(display, pid, title);
    if (!window) return false;
    requestActivation(display, *window);
    for (int poll = 0; poll < activationPolls; ++poll) {
        if (isActive(display, *window)) return true;
        sleepMicroseconds(activationPollMicroseconds);
    }
    return isActive(display, *window);
}

std::optional<std::int32_t> windowOwnerAt(Point point) {
    Display* display = x11::connection();
    const auto x = pixelCoordinate(point.x);
    const auto y = pixelCoordinate(point.y);
    if (!display || !x || !y) return std::nullopt;
    // The server names the topmost mapped child of a window at a point;
    // from the root that is the top-level window (a window manager's
    // frame, or an unmanaged window such as a menu), and further down the
    // frame, the client window that carries the owner's pid.
    Window window = DefaultRootWindow(display);
    int windowX = *x;
    int windowY = *y;
    for (int depth = 0; depth < frameDepthLimit; ++depth) {
        Window child = None;
        int childX = 0;
        int childY = 0;
        if (!XTranslateCoordinates(display, window, window, windowX, windowY, &childX, &childY, &child) || child == None)
            return std::nullopt;
        int translatedX = 0;
        int translatedY = 0;
        Window ignored = None;
        if (!XTranslateCoordinates(display, window, child, windowX, windowY, &translatedX, &translatedY, &ignored))
            return std::nullopt;
        window = child;
        windowX = translatedX;
        windowY = translatedY;
        if (const auto pid = windowPid(display, window)) return pid;
        // A client window without a pid: its owner cannot be told.
        if (hasProperty(display, window, "WM_STATE")) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace x11
}  // namespace platform
