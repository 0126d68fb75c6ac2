#pragma once

#include <cstdint>
#include <vector>

#include "platform/geometry.h"

// The active displays of the desktop.
namespace platform {

using DisplayId = std::uint32_t;

// The number of active displays; 0 when there is none or the query fails.
std::uint32_t activeDisplayCount();

// Up to capacity active displays' identifiers.
std::vector<DisplayId> activeDisplayList(std::uint32_t capacity);

// A display's rectangle in global coordinates (empty for an unknown one).
Rect displayBounds(DisplayId display);

// The main display's identifier.
DisplayId mainDisplayId();

}  // namespace platform
