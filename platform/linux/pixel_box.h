#pragma once

#include <optional>

#include "platform/capture.h"
#include "platform/geometry.h"

// The whole pixels of a screen area, as both display servers' captures
// count them.
namespace platform {

// A rectangle of whole pixels; x1 and y1 are exclusive.
struct PixelBox {
    long x0 = 0;
    long y0 = 0;
    long x1 = 0;
    long y1 = 0;
    long width() const { return x1 - x0; }
    long height() const { return y1 - y0; }
    bool empty() const { return x1 <= x0 || y1 <= y0; }
    bool operator==(const PixelBox&) const = default;
};

PixelBox intersect(const PixelBox& a, const PixelBox& b);

// The pixels a rectangle touches (its edges widened to whole pixels);
// nothing for a rectangle without area, one larger than 32767 pixels a side
// (no X screen is larger than the protocol's 16-bit coordinates: a bigger
// request comes from nonsense geometry and must not allocate gigabytes) or
// one far outside any screen.
std::optional<PixelBox> pixelBoxOf(const Rect& rect);

// A black image of the box's size, to draw captured parts into; nothing
// when there is not enough memory for it.
std::optional<Image> blankImageOf(const PixelBox& box);

}  // namespace platform
