#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry.h"

// The output layout: the outputs' logical areas in one coordinate space,
// which is also the space of screen points (wlroots places the first
// output at 0,0 unless configured otherwise; coordinates may be negative).
namespace platform::wayland {

// The smallest rectangle holding every area (an empty one for none).
Rect layoutBounds(const std::vector<Rect>& areas);

// The arguments of an absolute virtual-pointer motion. wlroots maps x in
// 0..xExtent onto the layout's bounding box (the pointer is not tied to
// one output), so the extent is the box's size and x is measured from its
// left edge.
struct AbsoluteMotion {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t xExtent = 0;
    std::uint32_t yExtent = 0;
};

// The motion that puts the pointer on the pixel holding the point (the
// pixel's top-left corner, as on X11), clamped into the bounding box;
// nothing for an empty box or a point that is not a number.
std::optional<AbsoluteMotion> absoluteMotion(Point point, const Rect& bounds);

// The point an absolute motion puts the pointer on.
Point motionTarget(const AbsoluteMotion& motion, const Rect& bounds);

// The main output among the areas: the one whose top-left corner is the
// layout's origin 0,0, else the first; nothing for none.
std::optional<std::size_t> mainOutputIndex(const std::vector<Rect>& areas);

}  // namespace platform::wayland
