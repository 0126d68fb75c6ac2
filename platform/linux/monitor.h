#pragma once

#include <vector>

#include "platform/geometry.h"

namespace platform {

// One display as the display server lists it: an X monitor or a Wayland
// output, in screen coordinates.
struct Monitor {
    Rect bounds;
    bool primary = false;  // the main display
};

}  // namespace platform
