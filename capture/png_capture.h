#pragma once

#include <optional>
#include <string>

#include "platform/geometry.h"

// Captures what is visible inside rect and stores it as a PNG file under a
// fresh name ("shot-" + 12 upper-case hexadecimal digits + ".png") in the
// folder "tavik-shots" of the temporary directory. Gives the file's path,
// or nothing on any failure; nothing touches the file system before the
// capture and its encoding succeeded.
std::optional<std::string> captureRectToPNG(const platform::Rect& rect);
