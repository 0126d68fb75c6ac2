#pragma once

#include <optional>
#include <string>

namespace platform::x11 {

// The AT_SPI_BUS property of the X root window, where at-spi-bus-launcher
// publishes the bus for sessions without a session bus; nothing when
// DISPLAY is not set, no X server can be reached or the property is not
// there. Any X client can write it, so it is asked for only when the
// session bus cannot answer (see atspi/bus.h).
std::optional<std::string> rootWindowBusAddress();

}  // namespace platform::x11
