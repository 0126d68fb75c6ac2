#include "platform/linux/atspi/active_window.h"

#include <atspi/atspi-constants.h>

#include <optional>
#include <variant>
#include <vector>

#include "platform/accessibility.h"
#include "platform/linux/atspi/element.h"

namespace platform::atspi {

bool toolkitMarksActive(std::int32_t pid, const std::string& title) {
    const std::optional<AttributeValue> listed =
        copyAttributeValue(createApplicationElement(pid), "AXWindows");
    const auto* windows = listed ? std::get_if<std::vector<Element>>(&*listed) : nullptr;
    if (!windows || windows->empty()) return false;
    const Element* chosen = windows->size() == 1 ? &windows->front() : nullptr;
    for (const Element& window : *windows) {
        const std::optional<AttributeValue> name = copyAttributeValue(window, "AXTitle");
        const auto* text = name ? std::get_if<std::string>(&*name) : nullptr;
        if (text && *text == title) {
            chosen = &window;
            break;
        }
    }
    if (!chosen) return false;
    const ElementRecord* record = elementRecord(*chosen);
    return record && hasState(*record, ATSPI_STATE_ACTIVE);
}

}  // namespace platform::atspi
