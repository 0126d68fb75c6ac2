#include "platform/linux/atspi/embedding.h"

#include <atspi/atspi-constants.h>

#include <cstddef>

#include "platform/linux/atspi/toolkit.h"

namespace platform::atspi {

bool needsParentCheck(const ObjectAddress& parent, const ObjectAddress& child, const BusOwners& owners) {
    return !isSameConnection(parent.bus, child.bus, owners);
}

bool isOwnChild(const ObjectAddress& parent, const ObjectAddress& child, const std::optional<ObjectAddress>& claimedParent,
                const BusOwners& owners) {
    if (!needsParentCheck(parent, child, owners)) return true;
    if (isSameConnection(child.bus, ATSPI_DBUS_NAME_REGISTRY, owners)) return false;
    return claimedParent && claimedParent->path == parent.path &&
           isSameConnection(claimedParent->bus, parent.bus, owners);
}

void dropForeignChildren(const std::vector<ElementRef*>& elements) {
    struct Check {
        ElementRef* element;
        std::size_t child, call;
        std::optional<ObjectAddress> claimed;
    };
    CallBatch batch;
    OwnerQuestions owners;
    std::vector<Check> checks;
    for (ElementRef* element : elements) {
        if (!element->record || !element->record->children) continue;
        const auto& children = *element->record->children;
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (!needsParentCheck(element->address, children[i], knownOwners())) continue;
            owners.ask(batch, element->address.bus);
            owners.ask(batch, children[i].bus);
            owners.ask(batch, ATSPI_DBUS_NAME_REGISTRY);
            checks.push_back(
                {element, i, batch.add(propertyGet(children[i], ATSPI_DBUS_INTERFACE_ACCESSIBLE, "Parent")), {}});
        }
    }
    if (checks.empty()) return;
    batch.wait();
    owners.remember(batch);
    // A parent named by a well-known name not asked yet: its owner in one more round.
    CallBatch late;
    OwnerQuestions lateOwners;
    for (Check& check : checks) {
        check.claimed = readVariantObject(batch.reply(check.call));
        if (check.claimed) lateOwners.ask(late, check.claimed->bus);
    }
    if (!lateOwners.empty()) {
        late.wait();
        lateOwners.remember(late);
    }
    // Children are removed from the back so the indices of the checks stay valid.
    for (auto check = checks.rbegin(); check != checks.rend(); ++check) {
        auto& children = *check->element->record->children;
        const ObjectAddress& child = children[check->child];
        if (!isOwnChild(check->element->address, child, check->claimed, knownOwners())) {
            children.erase(children.begin() + static_cast<std::ptrdiff_t>(check->child));
        } else if (isWebProcessPlug(child)) {
            rememberWebProcess(child.bus);
            if (auto owner = ownerOf(child.bus, knownOwners())) rememberWebProcess(*owner);
        }
    }
}

}  // namespace platform::atspi
