// The active displays through Core Graphics: global points, origin at the
// main display's top-left corner, y downwards.
#include <ApplicationServices/ApplicationServices.h>

#include <algorithm>

#include "platform/displays.h"

namespace platform {
namespace {

// A command-line process must reach the window server through CoreGraphics
// before its first other window-server call, or that call can abort inside
// CoreGraphics: ask for the main display once, as the run starts.
const CGDirectDisplayID kMainDisplayAtStart = CGMainDisplayID();

}  // namespace

std::uint32_t activeDisplayCount() {
    std::uint32_t count = 0;
    if (CGGetActiveDisplayList(0, nullptr, &count) != kCGErrorSuccess) return 0;
    return count;
}

std::vector<DisplayId> activeDisplayList(std::uint32_t capacity) {
    std::vector<CGDirectDisplayID> displays(capacity, 0);
    std::uint32_t count = 0;
    if (capacity == 0 || CGGetActiveDisplayList(capacity, displays.data(), &count) != kCGErrorSuccess) return {};
    displays.resize(std::min(count, capacity));
    return std::vector<DisplayId>(displays.begin(), displays.end());
}

Rect displayBounds(DisplayId display) {
    const CGRect bounds = CGDisplayBounds(display);
    return Rect{bounds.origin.x, bounds.origin.y, bounds.size.width, bounds.size.height};
}

DisplayId mainDisplayId() {
    (void)kMainDisplayAtStart;
    return CGMainDisplayID();
}

}  // namespace platform
