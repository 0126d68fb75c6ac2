#pragma once

#include "platform/geometry.h"

// The one rectangle that encloses every active display (their bounding
// box, gaps included). Falls back to the main display's bounds when no
// display is reported or every display yields no area.
platform::Rect virtualScreenBounds();
