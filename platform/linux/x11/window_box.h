#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/linux/x11/window_choice.h"

// Where the X server has a top-level window, for toolkits that do not say
// where their window is.
namespace platform::x11 {

// The screen box of the client window (without the window manager's
// frame) of process pid titled title, chosen among the window manager's
// client list as onlyWindowBox tells; nothing as it tells, or when no X
// server can be reached.
std::optional<WindowBox> topLevelWindowBox(std::int32_t pid, const std::string& title);

}  // namespace platform::x11
