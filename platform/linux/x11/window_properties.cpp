#include "platform/linux/x11/window_properties.h"

#include <X11/Xatom.h>

#include <utility>

namespace platform::x11 {
namespace {

// At most this many windows are looked at (a root with thousands of
// children belongs to a session we cannot help anyway).
constexpr unsigned long windowLimit = 4096;

// The raw items of a property of the given type and format, or nothing.
std::optional<std::vector<unsigned char>> propertyBytes(Display* display, Window window, const char* name, Atom type,
                                                        int wantedFormat, long limit, unsigned long& count) {
    const Atom property = XInternAtom(display, name, True);
    if (property == None) return std::nullopt;
    Atom actualType = None;
    int format = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, limit, False, type, &actualType, &format, &count, &remaining,
                           &data) != Success) {
        return std::nullopt;
    }
    std::optional<std::vector<unsigned char>> bytes;
    if (data && actualType == type && format == wantedFormat) {
        // Xlib hands 32-bit items out as longs.
        const std::size_t size = format == 32 ? count * sizeof(unsigned long) : count;
        bytes.emplace(data, data + size);
    }
    if (data) XFree(data);
    return bytes;
}

}  // namespace

std::vector<unsigned long> cardinalProperty(Display* display, Window window, const char* name, Atom type, long limit) {
    unsigned long count = 0;
    const auto bytes = propertyBytes(display, window, name, type, 32, limit, count);
    std::vector<unsigned long> items(bytes ? count : 0);
    for (std::size_t i = 0; i < items.size(); ++i) items[i] = reinterpret_cast<const unsigned long*>(bytes->data())[i];
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
        unsigned long count = 0;
        const auto bytes = propertyBytes(display, window, name, type, 8, 1024, count);
        if (bytes && !bytes->empty()) return std::string(bytes->begin(), bytes->end());
    }
    return {};
}

std::optional<std::int32_t> windowPid(Display* display, Window window) {
    const auto pids = cardinalProperty(display, window, "_NET_WM_PID", XA_CARDINAL, 1);
    if (pids.empty()) return std::nullopt;
    return static_cast<std::int32_t>(pids[0]);
}

std::vector<Window> clientWindows(Display* display, Window root) {
    std::vector<Window> clients;
    for (unsigned long window : cardinalProperty(display, root, "_NET_CLIENT_LIST", XA_WINDOW, windowLimit)) {
        clients.push_back(window);
    }
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

}  // namespace platform::x11
