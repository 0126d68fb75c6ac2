#pragma once

#include <cstdint>
#include <optional>

#include "platform/capture.h"
#include "platform/geometry.h"
#include "platform/linux/pixel_box.h"

// Turning captured output frames into the RGB image of a layout area.
//
// A frame shows an area of the layout in device pixels: on an output with
// scale 2 a 100x50 area comes as 200x100 pixels. Screenshots are made in
// layout units instead (each frame is reduced to the area's size by
// averaging the device pixels that make up each layout pixel), so that a
// screenshot's pixel grid is the coordinate grid of clicks and element
// bounds, whatever the outputs' scales.
namespace platform::wayland {

// Where the colours of a 32-bit little-endian wl_shm pixel lie in memory:
// XRGB8888 and ARGB8888 are B, G, R, X bytes; XBGR8888 and ABGR8888 are
// R, G, B, X. Alpha is ignored: a screen is opaque.
enum class PixelOrder { bgrx, rgbx };

// The order of a wl_shm format; nothing for a format not read here.
std::optional<PixelOrder> pixelOrderOf(std::uint32_t shmFormat);

// A frame as the compositor wrote it.
struct Frame {
    const std::uint8_t* pixels = nullptr;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0;  // bytes per row
    PixelOrder order = PixelOrder::bgrx;
    bool yInverted = false;  // rows bottom to top
};

// Draws a frame that shows the layout area `shown` into an image of the
// layout area `imageArea` (image.width and image.height are its size).
// The part outside imageArea is left out, the image's other pixels are left
// as they are.
void drawFrame(Image& image, const PixelBox& imageArea, const Frame& frame, const PixelBox& shown);

}  // namespace platform::wayland
