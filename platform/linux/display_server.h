#pragma once

// What the accessibility reader (atspi/) needs from the display server:
// where a top-level window's content sits on the screen, and the
// accessibility bus address the display publishes. atspi/ asks here and
// never includes from x11/; the answers come from x11/, the one display
// server served so far.

#include <cstdint>
#include <optional>
#include <string>

namespace platform::display_server {

struct ContentOrigin {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// The screen position of the content (the toolkit's window widget, inside
// any drawn shadow or resize border) of the top-level window of process
// pid titled title whose content is width x height; nothing when no such
// window is found or the display cannot be reached.
std::optional<ContentOrigin> topLevelContentOrigin(std::int32_t pid, const std::string& title, std::int32_t width,
                                                   std::int32_t height);

// The accessibility bus's address as the display publishes it for
// sessions without a session bus (on X11 the root window's AT_SPI_BUS
// property); nothing when there is none or no display can be reached.
std::optional<std::string> publishedBusAddress();

}  // namespace platform::display_server
