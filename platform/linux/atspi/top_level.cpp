#include <atspi/atspi-constants.h>

#include "platform/linux/atspi/roles.h"
#include "platform/linux/display_server.h"

namespace platform::atspi {

bool isTopLevelWindow(std::int32_t pid, const ElementRecord& record) {
    if (!record.role) return false;
    if (isWindowLike(*record.role)) return true;
    // Qt 6 gives some top-level windows (qt6ct's main window) the role
    // filler: such a child of the application is a window when it has a
    // title and the process shows a top-level window of that title.
    const bool container = *record.role == ATSPI_ROLE_FILLER || *record.role == ATSPI_ROLE_PANEL;
    if (!container || !record.name || record.name->empty()) return false;
    return display_server::showsTopLevel(pid, *record.name);
}

}  // namespace platform::atspi
