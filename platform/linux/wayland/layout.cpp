#include "platform/linux/wayland/layout.h"

#include <algorithm>
#include <cmath>

namespace platform::wayland {

Rect layoutBounds(const std::vector<Rect>& areas) {
    if (areas.empty()) return Rect{};
    double left = areas.front().x;
    double top = areas.front().y;
    double right = areas.front().x + areas.front().width;
    double bottom = areas.front().y + areas.front().height;
    for (const Rect& area : areas) {
        left = std::min(left, area.x);
        top = std::min(top, area.y);
        right = std::max(right, area.x + area.width);
        bottom = std::max(bottom, area.y + area.height);
    }
    return Rect{left, top, right - left, bottom - top};
}

std::optional<AbsoluteMotion> absoluteMotion(Point point, const Rect& bounds) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return std::nullopt;
    const double width = std::floor(bounds.width);
    const double height = std::floor(bounds.height);
    if (!(width >= 1) || !(height >= 1) || width > 1e9 || height > 1e9) return std::nullopt;
    const double x = std::clamp(std::floor(point.x - bounds.x), 0.0, width - 1);
    const double y = std::clamp(std::floor(point.y - bounds.y), 0.0, height - 1);
    return AbsoluteMotion{static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                          static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
}

Point motionTarget(const AbsoluteMotion& motion, const Rect& bounds) {
    return Point{bounds.x + static_cast<double>(motion.x) / motion.xExtent * bounds.width,
                 bounds.y + static_cast<double>(motion.y) / motion.yExtent * bounds.height};
}

std::optional<std::size_t> mainOutputIndex(const std::vector<Rect>& areas) {
    if (areas.empty()) return std::nullopt;
    for (std::size_t i = 0; i < areas.size(); ++i)
        if (areas[i].x == 0 && areas[i].y == 0) return i;
    return 0;
}

}  // namespace platform::wayland
