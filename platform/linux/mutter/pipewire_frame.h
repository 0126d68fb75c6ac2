#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/wayland/frame.h"

// One frame of a screen-cast stream, taken with libpipewire from the
// stream's node on the user's PipeWire daemon: the stream is connected,
// offered the 32-bit pixel formats frame.h reads (so mutter fills shared
// memory rather than GPU buffers), the first frame with pixels is copied
// and the stream is left.
namespace platform::mutter {

struct StreamFrame {
    std::vector<std::uint8_t> pixels;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0;
    wayland::PixelOrder order = wayland::PixelOrder::bgrx;
};

// The next frame of the node within timeoutMs; nothing (with the reason
// in failure) when PipeWire cannot be reached, the format is not one read
// here, or no frame came in time.
std::optional<StreamFrame> takeFrame(std::uint32_t node, int timeoutMs, std::string& failure);

}  // namespace platform::mutter
