// The Core Graphics display calls over the scripted desktop's displays.
#include <algorithm>

#include "tests/macos-fake/fake_objects.h"

extern "C" {

CGError CGGetActiveDisplayList(uint32_t maxDisplays, CGDirectDisplayID* activeDisplays, uint32_t* displayCount) {
    memory::Desktop& d = memory::desktop();
    if (!activeDisplays) {
        *displayCount = static_cast<uint32_t>(d.displays.size());
        return kCGErrorSuccess;
    }
    ++d.displayListQueries;
    const auto count = std::min<std::size_t>(maxDisplays, d.displays.size());
    for (std::size_t i = 0; i < count; ++i) activeDisplays[i] = d.displays[i].first;
    *displayCount = static_cast<uint32_t>(count);
    return kCGErrorSuccess;
}

CGRect CGDisplayBounds(CGDirectDisplayID display) {
    const memory::Desktop& d = memory::desktop();
    for (const auto& [id, bounds] : d.displays)
        if (id == display) return CGRectMake(bounds.x, bounds.y, bounds.width, bounds.height);
    if (display == d.mainDisplay) {
        const platform::Rect& r = d.mainDisplayFallback;
        return CGRectMake(r.x, r.y, r.width, r.height);
    }
    return CGRectMake(0, 0, 0, 0);
}

CGDirectDisplayID CGMainDisplayID(void) { return memory::desktop().mainDisplay; }

}  // extern "C"
