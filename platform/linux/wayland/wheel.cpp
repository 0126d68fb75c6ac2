#include "platform/linux/wayland/wheel.h"

#include <algorithm>

namespace platform::wayland {
namespace {

constexpr std::int64_t pixelsPerWheelStep = 40;
constexpr std::int64_t maximumWheelSteps = 50;

}  // namespace

int wheelSteps(std::int64_t amount) {
    // Unsigned, so that the most negative amount has a magnitude too.
    const std::uint64_t magnitude =
        amount < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(amount) : static_cast<std::uint64_t>(amount);
    const std::uint64_t steps = magnitude / pixelsPerWheelStep + (magnitude % pixelsPerWheelStep != 0 ? 1 : 0);
    return static_cast<int>(std::min<std::uint64_t>(maximumWheelSteps, steps));
}

}  // namespace platform::wayland
