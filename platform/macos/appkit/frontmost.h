#pragma once

#include <cstdint>
#include <optional>

namespace platform::macos {

// The process of the application that takes keyboard input now.
std::optional<std::int32_t> frontmostApplicationPid();

// Asks the application of a process to come to the front with its windows.
bool bringApplicationForward(std::int32_t pid);

}  // namespace platform::macos
