#include "capture/screen_geometry.h"

#include "capture/rectangles.h"
#include "platform/displays.h"

platform::Rect virtualScreenBounds() {
    const std::uint32_t count = platform::activeDisplayCount();
    if (count == 0) return platform::displayBounds(platform::mainDisplayId());
    platform::Rect bounds = nullRectangle();
    for (const platform::DisplayId display : platform::activeDisplayList(count))
        bounds = rectangleUnion(bounds, platform::displayBounds(display));
    if (isNullRectangle(bounds)) return platform::displayBounds(platform::mainDisplayId());
    return bounds;
}
