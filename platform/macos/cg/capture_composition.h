#pragma once

#include <vector>

#include "platform/capture.h"
#include "platform/geometry.h"

namespace platform::macos {

// One display's picture: its bounds in global points and its pixels, as
// many per point as the display has (two on a Retina display).
struct DisplayPicture {
    Rect bounds;
    Image image;
};

// The rectangle (global points) cut out of the displays' pictures and put
// together, at the highest pixel density among the displays it touches; a
// part of it on no display is black. Nothing for an empty rectangle.
std::optional<Image> composeCapture(Rect rect, const std::vector<DisplayPicture>& pictures);

}  // namespace platform::macos
