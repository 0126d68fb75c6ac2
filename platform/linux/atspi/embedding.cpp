#include "platform/linux/atspi/embedding.h"

#include <atspi/atspi-constants.h>

#include <cstddef>

namespace platform::atspi {

bool needsParentCheck(const ObjectAddress& parent, const ObjectAddress& child) { return child.bus != parent.bus; }

bool isOwnChild(const ObjectAddress& parent, const ObjectAddress& child, const std::optional<ObjectAddress>& claimedParent) {
    if (!needsParentCheck(parent, child)) return true;
    if (child.bus == ATSPI_DBUS_NAME_REGISTRY) return false;
    return claimedParent && claimedParent->bus == parent.bus && claimedParent->path == parent.path;
}

void dropForeignChildren(const std::vector<ElementRef*>& elements) {
    struct Check {
        ElementRef* element;
        std::size_t child, call;
    };
    CallBatch batch;
    std::vector<Check> checks;
    for (ElementRef* element : elements) {
        if (!element->record || !element->record->children) continue;
        const auto& children = *element->record->children;
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (!needsParentCheck(element->address, children[i])) continue;
            checks.push_back(
                {element, i, batch.add(propertyGet(children[i], ATSPI_DBUS_INTERFACE_ACCESSIBLE, "Parent"))});
        }
    }
    if (checks.empty()) return;
    batch.wait();
    // Children are removed from the back so the indices of the checks stay valid.
    for (auto check = checks.rbegin(); check != checks.rend(); ++check) {
        auto& children = *check->element->record->children;
        const auto claimed = readVariantObject(batch.reply(check->call));
        if (!isOwnChild(check->element->address, children[check->child], claimed)) {
            children.erase(children.begin() + static_cast<std::ptrdiff_t>(check->child));
        }
    }
}

}  // namespace platform::atspi
