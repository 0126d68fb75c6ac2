#include "platform/linux/display_server.h"

#include "platform/linux/x11/root_bus_address.h"
#include "platform/linux/x11/window_origin.h"

namespace platform::display_server {

std::optional<ContentOrigin> topLevelContentOrigin(std::int32_t pid, const std::string& title, std::int32_t width,
                                                   std::int32_t height) {
    const auto origin = x11::topLevelContentOrigin(pid, title, width, height);
    if (!origin) return std::nullopt;
    return ContentOrigin{origin->x, origin->y};
}

std::optional<std::string> publishedBusAddress() { return x11::rootWindowBusAddress(); }

}  // namespace platform::display_server
