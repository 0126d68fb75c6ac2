#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where a top-level window of a process sits on the screen, for toolkits
// that give element positions only relative to their window.
namespace platform::x11 {

struct ContentOrigin {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// The screen position of the content (the toolkit's window widget, inside
// any drawn shadow or resize border) of the top-level X window of process
// pid titled title whose content is width x height; nothing when no such
// window is found or no X server can be reached.
std::optional<ContentOrigin> topLevelContentOrigin(std::int32_t pid, const std::string& title, std::int32_t width,
                                                   std::int32_t height);

}  // namespace platform::x11
