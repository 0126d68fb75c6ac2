// Displays are the compositor's outputs with a place in the layout, read
// once when the connection is made. A display's identifier is its position
// in that list plus one, so that 0 names no display.
#include "platform/linux/wayland/connection.h"
#include "platform/linux/wayland/layout.h"
#include "platform/linux/wayland/platform.h"

namespace platform::wayland {
namespace {

std::vector<Rect> outputAreas() {
    std::vector<Rect> areas;
    if (const Connection* connection = Connection::shared())
        for (const Output& output : connection->outputs()) areas.push_back(output.logical);
    return areas;
}

}  // namespace

std::uint32_t activeDisplayCount() { return static_cast<std::uint32_t>(outputAreas().size()); }

std::vector<DisplayId> activeDisplayList(std::uint32_t capacity) {
    std::vector<DisplayId> list;
    const std::uint32_t count = activeDisplayCount();
    for (std::uint32_t i = 0; i < count && i < capacity; ++i) list.push_back(i + 1);
    return list;
}

Rect displayBounds(DisplayId display) {
    const std::vector<Rect> areas = outputAreas();
    if (display == 0 || display > areas.size()) return Rect{};
    return areas[display - 1];
}

DisplayId mainDisplayId() {
    const std::optional<std::size_t> index = mainOutputIndex(outputAreas());
    return index ? static_cast<DisplayId>(*index + 1) : 0;
}

}  // namespace platform::wayland
