// The displays of a Wayland session: the compositor's outputs with a place
// in the layout, read once when the connection is made.
#include "platform/linux/wayland/connection.h"
#include "platform/linux/wayland/layout.h"
#include "platform/linux/wayland/platform.h"

namespace platform::wayland {

std::vector<Monitor> monitors() {
    std::vector<Rect> areas;
    if (const Connection* connection = Connection::shared())
        for (const Output& output : connection->outputs()) areas.push_back(output.logical);
    const std::optional<std::size_t> main = mainOutputIndex(areas);
    std::vector<Monitor> list;
    for (std::size_t i = 0; i < areas.size(); ++i) list.push_back(Monitor{areas[i], main == i});
    return list;
}

}  // namespace platform::wayland
