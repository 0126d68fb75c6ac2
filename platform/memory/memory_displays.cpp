// The in-memory desktop's displays, as a test scripts them.
#include "platform/memory/memory_desktop.h"

namespace platform {

using memory::desktop;

std::uint32_t activeDisplayCount() { return static_cast<std::uint32_t>(desktop().displays.size()); }

std::vector<DisplayId> activeDisplayList(std::uint32_t capacity) {
    ++desktop().displayListQueries;
    std::vector<DisplayId> list;
    for (const auto& [id, bounds] : desktop().displays) {
        if (list.size() >= capacity) break;
        list.push_back(id);
    }
    return list;
}

Rect displayBounds(DisplayId display) {
    for (const auto& [id, bounds] : desktop().displays)
        if (id == display) return bounds;
    if (display == desktop().mainDisplay) return desktop().mainDisplayFallback;
    return Rect{};
}

DisplayId mainDisplayId() { return desktop().mainDisplay; }

}  // namespace platform
