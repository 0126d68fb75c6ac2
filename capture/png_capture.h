#pragma once

#include <string>
#include <variant>

#include "platform/geometry.h"

// Captures what is visible inside rect and stores it as a PNG file under a
// fresh name ("shot-" + 12 upper-case hexadecimal digits + ".png") in the
// folder "tavik-shots" of the temporary directory. Gives the file's path,
// or what failed; nothing touches the file system before the capture and
// its encoding succeeded.
struct CaptureFailure {
    std::string reason;
};
std::variant<std::string, CaptureFailure> captureRectToPNG(const platform::Rect& rect);
