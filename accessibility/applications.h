#pragma once

#include <cstdint>
#include <optional>

#include "platform/accessibility.h"

// The roots every element is reached from, and the service-wide
// operations.

// The application root of a process; always a handle.
platform::Element getAppElement(std::int32_t pid);

// The window at windowIndex of the application's "AXWindows" list, or
// nothing for a missing process, an unreadable list or an index outside it.
std::optional<platform::Element> getWindowElement(std::int32_t pid, std::int64_t windowIndex = 0);

// Whether this process may use the accessibility service (asking the
// user to grant it when not).
bool checkPermission();

// Switches on the application's enhanced accessibility interface.
bool activateAccessibility(std::int32_t pid);
