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

#include "platform/linux/x11_connection.h"
#include "platform/timing.h"
#include "platform/window_manager.h"

namespace platform {
namespace {

// The window manager is given this long to activate a window.
constexpr int activationPolls = 50;
constexpr std::uint32_t activationPollMicroseconds = 20000;
// A window manager's frame holds the client window a level or two down.
constexpr int frameDepthLimit = 8;
constexpr unsigned long windowLimit = 4096;

// The 32-bit items of a window property of the given type, at most limit.
std::vector<unsigned long> cardinalItems(Display* display, Window window, const char* name, Atom type, long limit) {
    std::vector<unsigned long> items;
    const Atom property = XInternAtom(display, name, True);
    if (property == None) return items;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, limit, False, type, &actualType, &format, &count, &remaining,
                           &data) != Success) {
        return items;
    }
    // Xlib hands 32-bit items out as longs.
    if (data && actualType == type && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data) XFree(data);
    return items;
}

bool hasProperty(Display* display, Window window, const char* name) {
    const Atom property = XInternAtom(display, name, True);
    if (property == None) return false;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool read = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &actualType, &format,
                                         &count, &remaining, &data) == Success;
    if (data) XFree(data);
    return read && actualType != None;
}

std::string windowTitle(Display* display, Window window) {
    for (const auto& [name, type] : {std::pair{"_NET_WM_NAME", XInternAtom(display, "UTF8_STRING", False)},
                                     std::pair{"WM_NAME", Atom{XA_STRING}}}) {
        const Atom property = XInternAtom(display, name, True);
        if (property == None) continue;
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType, &format, &count,
                               &remaining, &data) != Success) {
            continue;
        }
        std::string title;
        if (data && actualType == type && format == 8) title.assign(reinterpret_cast<const char*>(data), count);
        if (data) XFree(data);
        if (!title.empty()) return title;
    }
    return {};
}

std::optional<std::int32_t> windowPid(Display* display, Window window) {
    const auto pids = cardinalItems(display, window, "_NET_WM_PID", XA_CARDINAL, 1);
    if (pids.empty()) return std::nullopt;
    return static_cast<std::int32_t>(pids[0]);
}

bool viewable(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// The client windows: the window manager's list, or without one the
// children of the root and their children.
std::vector<Window> clientWindows(Display* display, Window root) {
    std::vector<Window> clients;
    for (unsigned long window : cardinalItems(display, root, "_NET_CLIENT_LIST", XA_WINDOW, windowLimit))
        clients.push_back(window);
    if (!clients.empty()) return clients;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count)) return clients;
    for (unsigned int i = 0; i < count && clients.size() < windowLimit; ++i) {
        clients.push_back(children[i]);
        Window* grandchildren = nullptr;
        unsigned int grandCount = 0;
        if (XQueryTree(display, children[i], &rootReturn, &parent, &grandchildren, &grandCount)) {
            for (unsigned int j = 0; j < grandCount && clients.size() < windowLimit; ++j)
                clients.push_back(grandchildren[j]);
            if (grandchildren) XFree(grandchildren);
        }
    }
    if (children) XFree(children);
    return clients;
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
    for (unsigned long atom : cardinalItems(display, DefaultRootWindow(display), "_NET_SUPPORTED", XA_ATOM, 1024))
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
        const auto active = cardinalItems(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW, 1);
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

}  // namespace platform
