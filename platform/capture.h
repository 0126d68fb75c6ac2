#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"

// Screen capture and PNG encoding.
namespace platform {

// Captured pixels, 8-bit RGB, rows top to bottom without padding.
struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;
};

// Everything visible inside the rectangle, or nothing.
std::optional<Image> captureScreenImage(Rect rect);

// Why a capture can fail on this platform, in words for the caller.
std::string captureFailureReason();

// The image as PNG bytes, or nothing.
std::optional<std::vector<std::uint8_t>> encodePng(const Image& image);

}  // namespace platform
