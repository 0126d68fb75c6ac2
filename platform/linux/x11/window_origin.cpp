#include "platform/linux/x11/window_origin.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <vector>

#include "platform/linux/x11/connection.h"
#include "platform/linux/x11/window_properties.h"

namespace platform::x11 {

std::optional<ContentOrigin> topLevelContentOrigin(std::int32_t pid, const std::string& title, std::int32_t width,
                                                   std::int32_t height) {
    Display* display = connection();
    if (!display || pid <= 0) return std::nullopt;
    const Window root = DefaultRootWindow(display);
    std::optional<ContentOrigin> fallback;
    for (Window window : clientWindows(display, root)) {
        if (windowPid(display, window) != pid || windowTitle(display, window) != title) continue;
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
        std::vector<long> frame;
        for (unsigned long extent : cardinalProperty(display, window, "_GTK_FRAME_EXTENTS", XA_CARDINAL, 4)) {
            frame.push_back(static_cast<long>(extent));
        }
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
