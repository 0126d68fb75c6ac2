// The displays of the X screen: its XRandR monitors.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

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

}  // namespace x11
}  // namespace platform
