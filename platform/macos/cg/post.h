#pragma once

#include <cstdint>

#include "platform/events.h"

namespace platform::macos {

// Posts one keyboard event with modifier flags (0 for none), as several
// events when its characters are too many for one.
void postKeyboardEvent(const KeyboardEvent& key, std::uint64_t flags);

}  // namespace platform::macos
