#pragma once

#include <CoreGraphics/CoreGraphics.h>

#include <optional>

#include "platform/capture.h"

namespace platform::macos {

// The image's pixels as 8-bit RGB rows, drawn into a bitmap of its own size.
std::optional<Image> pixelsOf(CGImageRef image);

// Pixels per point of a display (2 on a Retina display, 1 when unknown).
double pixelsPerPoint(CGDirectDisplayID display);

}  // namespace platform::macos
