#include "platform/linux/pixel_box.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace platform {
namespace {

constexpr double maximumSide = 32767;

}  // namespace

PixelBox intersect(const PixelBox& a, const PixelBox& b) {
    return PixelBox{std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

std::optional<PixelBox> pixelBoxOf(const Rect& rect) {
    const double x0 = std::floor(rect.x);
    const double y0 = std::floor(rect.y);
    const double x1 = std::ceil(rect.x + rect.width);
    const double y1 = std::ceil(rect.y + rect.height);
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return std::nullopt;
    if (x1 - x0 < 1 || y1 - y0 < 1 || x1 - x0 > maximumSide || y1 - y0 > maximumSide) return std::nullopt;
    // Far away from every screen the box is only clipped away; keep its
    // numbers in range.
    if (std::fabs(x0) > 1e9 || std::fabs(y0) > 1e9) return std::nullopt;
    return PixelBox{static_cast<long>(x0), static_cast<long>(y0), static_cast<long>(x1), static_cast<long>(y1)};
}

std::optional<Image> blankImageOf(const PixelBox& box) {
    Image image;
    image.width = static_cast<std::uint32_t>(box.width());
    image.height = static_cast<std::uint32_t>(box.height());
    try {
        image.rgb.assign(static_cast<std::size_t>(image.width) * image.height * 3, 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return image;
}

}  // namespace platform
