#include "platform/linux/x11_window_origin.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <vector>

#include "platform/linux/x11_connection.h"

namespace platform::x11 {
namespace {

// At most this many windows are looked at (a root with thousands of
// children belongs to a session we cannot help anyway).
constexpr unsigned long windowLimit = 4096;

// The items of a window property of the given type and format, at most limit of them.
template <typename Item>
std::vector<Item> propertyItems(Display* display, Window window, const char* name, Atom type, long limit) {
    std::vector<Item> items;
    Atom property = XInternAtom(display, name, True);
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
    if (data && actualType == type) {
        if (format == 32) {
            // Xlib hands 32-bit items out as longs.
            const auto* values = reinterpret_cast<const unsigned long*>(data);
            for (unsigned long i = 0; i < count; ++i) items.push_back(static_cast<Item>(values[i]));
        } else if (format == 8) {
            for (unsigned long i = 0; i < count; ++i) items.push_back(static_cast<Item>(data[i]));
        }
    }
    if (data) XFree(data);
    return items;
}

// The client windows: the window manager's list, or without one the
// children of the root and their children.
std::vector<Window> clientWindows(Display* display, Window root) {
    std::vector<Window> clients = propertyItems<Window>(display, root, "_NET_CLIENT_LIST", XA_WINDOW, windowLimit);
    if (!clients.empty()) return clients;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count)) return clients;
    for (unsigned int i = 0; i < count && clients.size() < windowLimit; ++i) {
        clients.push_back(children[i]);
        Window* grandchildren = nullptr;
        unsigned int grandCount = 0;
        if (XQueryTree(display, children[i], &rootReturn, &parent, &grandchildren, &grandCount)) {
            for (unsigned int j = 0; j < grandCount && clients.size() < windowLimit; ++j) clients.push_back(grandchildren[j]);
            if (grandchildren) XFree(grandchildren);
        }
    }
    if (children) XFree(children);
    return clients;
}

std::string windowTitle(Display* display, Window window) {
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    std::vector<char> title = propertyItems<char>(display, window, "_NET_WM_NAME", utf8, 1024);
    if (title.empty()) title = propertyItems<char>(display, window, "WM_NAME", XA_STRING, 1024);
    return std::string(title.begin(), title.end());
}

}  // namespace

std::optional<ContentOrigin> topLevelContentOrigin(std::int32_t pid, const std::string& title, std::int32_t width,
                                                   std::int32_t height) {
    Display* display = connection();
    if (!display || pid <= 0) return std::nullopt;
    const Window root = DefaultRootWindow(display);
    std::optional<ContentOrigin> fallback;
    for (Window window : clientWindows(display, root)) {
        const auto pids = propertyItems<long>(display, window, "_NET_WM_PID", XA_CARDINAL, 1);
        if (pids.empty() || pids[0] != pid || windowTitle(display, window) != title) continue;
        XWindowAttributes attributes;
        Window child = 0;
        int x = 0, y = 0;
        if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable ||
            !XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child)) {
            continue;
        }
        // The content sits inside the shadow the toolkit draws around it:
        // its size announced in _GTK_FRAME_EXTENTS (left, right, top,
        // bottom), or, when no compositor runs and none is announced, an
        // even border making up the difference in size.
        const auto frame = propertyItems<long>(display, window, "_GTK_FRAME_EXTENTS", XA_CARDINAL, 4);
        ContentOrigin origin{x, y};
        if (frame.size() == 4) {
            origin.x += static_cast<std::int32_t>(frame[0]);
            origin.y += static_cast<std::int32_t>(frame[2]);
        } else if (attributes.width >= width && attributes.height >= height) {
            origin.x += (attributes.width - width) / 2;
            origin.y += (attributes.height - height) / 2;
        }
        const bool sizeMatches =
            frame.size() == 4 ? attributes.width - frame[0] - frame[1] == width && attributes.height - frame[2] - frame[3] == height
                              : attributes.width >= width && attributes.height >= height &&
                                    std::abs((attributes.width - width) - (attributes.height - height)) <= 1;
        if (sizeMatches) return origin;
        if (!fallback) fallback = origin;
    }
    return fallback;
}

}  // namespace platform::x11
