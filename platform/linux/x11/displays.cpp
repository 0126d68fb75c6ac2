// Displays through XRandR monitors. A display's identifier is its position
// in the monitor list plus one, so that 0 names no display.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "platform/displays.h"
#include "platform/linux/x11/operations.h"
#include "platform/linux/x11/connection.h"
#include "platform/linux/x11/monitors.h"

namespace platform {
namespace x11 {
namespace {

std::vector<Monitor> readMonitors() {
    std::vector<Monitor> found;
    Display* display = connection();
    if (!display) return found;
    const Window root = DefaultRootWindow(display);
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    // XRRGetMonitors needs RandR 1.5; an older server lists none.
    if (XRRQueryExtension(display, &eventBase, &errorBase) && XRRQueryVersion(display, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        if (XRRMonitorInfo* list = XRRGetMonitors(display, root, True, &count)) {
            for (int i = 0; i < count; ++i) {
                const XRRMonitorInfo& info = list[i];
                if (info.width <= 0 || info.height <= 0) continue;
                found.push_back(Monitor{Rect{static_cast<double>(info.x), static_cast<double>(info.y),
                                             static_cast<double>(info.width), static_cast<double>(info.height)},
                                        info.primary != 0});
            }
            XRRFreeMonitors(list);
        }
    }
    if (found.empty()) {
        const int screen = DefaultScreen(display);
        found.push_back(Monitor{Rect{0, 0, static_cast<double>(DisplayWidth(display, screen)),
                                     static_cast<double>(DisplayHeight(display, screen))},
                                true});
    }
    return found;
}

}  // namespace

const std::vector<Monitor>& monitors() {
    static const std::vector<Monitor> list = readMonitors();
    return list;
}

std::uint32_t activeDisplayCount() { return static_cast<std::uint32_t>(monitors().size()); }

std::vector<DisplayId> activeDisplayList(std::uint32_t capacity) {
    std::vector<DisplayId> list;
    const std::uint32_t count = activeDisplayCount();
    for (std::uint32_t i = 0; i < count && i < capacity; ++i) list.push_back(i + 1);
    return list;
}

Rect displayBounds(DisplayId display) {
    const auto& list = x11::monitors();
    if (display == 0 || display > list.size()) return Rect{};
    return list[display - 1].bounds;
}

// The primary monitor, else the first; 0 (no display) without any.
DisplayId mainDisplayId() {
    const auto& list = x11::monitors();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].primary) return static_cast<DisplayId>(i + 1);
    return list.empty() ? 0 : 1;
}

}  // namespace x11
}  // namespace platform
