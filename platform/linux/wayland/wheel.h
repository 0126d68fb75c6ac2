#pragma once

#include <cstdint>

// Wheel input is sent in whole steps, counted as on X11 so that a scroll
// amount moves the same on both: one step per started 40 pixel units of
// the amount (1..40 gives one step, 41..80 two, -120 three), at most 50
// steps, so that even -2147483648 ends at once.
namespace platform::wayland {

// The number of steps (0 to 50) for an amount of either sign.
int wheelSteps(std::int64_t amount);

}  // namespace platform::wayland
