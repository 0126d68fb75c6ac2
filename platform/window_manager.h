#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/geometry.h"

// The top-level windows as the window system sees them: which one takes
// the keyboard, and whose window lies under a screen point. A window of
// an application is named by its process and its title (an application
// with one window is found by its process alone when no title matches).
namespace platform {

// Whether that window is the active one, the one keyboard input goes to.
bool isWindowActive(std::int32_t pid, const std::string& title);

// Asks the window manager to make that window the active one and waits a
// bounded time for it; true when it is the active one afterwards.
bool activateWindow(std::int32_t pid, const std::string& title);

// The process owning the topmost top-level window at a screen point;
// nothing when no window is there or its owner cannot be told.
std::optional<std::int32_t> windowOwnerAt(Point point);

}  // namespace platform
