#include "platform/linux/x11/window_box.h"

#include <X11/Xlib.h>

#include <vector>

#include "platform/linux/x11/connection.h"
#include "platform/linux/x11/window_properties.h"

namespace platform::x11 {

std::optional<WindowBox> topLevelWindowBox(std::int32_t pid, const std::string& title) {
    Display* display = connection();
    if (!display || pid <= 0) return std::nullopt;
    const Window root = DefaultRootWindow(display);
    // Only the windows of the process are read further: the rule needs
    // every one of them, and no other.
    std::vector<ClientWindow> candidates;
    for (Window window : clientWindows(display, root)) {
        const auto owner = windowPid(display, window);
        if (owner != pid) continue;
        ClientWindow candidate{owner, windowTitle(display, window), false, {}};
        XWindowAttributes attributes;
        Window child = 0;
        int x = 0, y = 0;
        if (XGetWindowAttributes(display, window, &attributes) &&
            XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child)) {
            candidate.viewable = attributes.map_state == IsViewable;
            candidate.box = WindowBox{x, y, attributes.width, attributes.height};
        }
        candidates.push_back(std::move(candidate));
    }
    return onlyWindowBox(candidates, pid, title);
}

}  // namespace platform::x11
