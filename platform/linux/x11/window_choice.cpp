#include "platform/linux/x11/window_choice.h"

namespace platform::x11 {

std::optional<WindowBox> onlyWindowBox(const std::vector<ClientWindow>& windows, std::int32_t pid,
                                       const std::string& title) {
    if (pid <= 0) return std::nullopt;
    const ClientWindow* found = nullptr;
    for (const ClientWindow& window : windows) {
        if (window.pid != pid || window.title != title) continue;
        if (found) return std::nullopt;
        found = &window;
    }
    if (!found || !found->viewable) return std::nullopt;
    return found->box;
}

}  // namespace platform::x11
