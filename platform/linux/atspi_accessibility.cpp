// Reading attributes of AT-SPI2 elements in the macOS vocabulary.
#include <atspi/atspi-constants.h>

#include <cmath>

#include "platform/accessibility.h"
#include "platform/linux/atspi_element.h"
#include "platform/linux/atspi_roles.h"

namespace platform {
namespace {

using atspi::ElementRecord;
using atspi::hasState;

std::optional<AttributeValue> textValue(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return AttributeValue(*text);
}

// A check box's value is its checked state; a text's value its text; a
// slider's (Value interface) its number.
std::optional<AttributeValue> elementValue(const ElementRecord& record) {
    if (record.role && atspi::valueIsCheckedState(*record.role)) {
        if (!record.states) return std::nullopt;
        return AttributeValue(std::int64_t{hasState(record, ATSPI_STATE_CHECKED) ? 1 : 0});
    }
    if (record.text) return AttributeValue(*record.text);
    if (record.number && std::isfinite(*record.number)) return AttributeValue(*record.number);
    return std::nullopt;
}

std::optional<AttributeValue> stateValue(const ElementRecord& record, bool value) {
    if (!record.states) return std::nullopt;
    return AttributeValue(value);
}

// Geometry only for elements on screen: a hidden one reports stale or
// made-up extents.
const atspi::Extents* shownExtents(const ElementRecord& record) {
    if (!record.extents || !hasState(record, ATSPI_STATE_SHOWING)) return nullptr;
    return &*record.extents;
}

std::vector<Element> windowsOf(const ElementRecord& application) {
    std::vector<Element> windows;
    if (!application.children) return windows;
    for (Element& child : atspi::makeSiblingElements(*application.children)) {
        const ElementRecord* record = atspi::elementRecord(child);
        if (record && record->role && atspi::isWindowLike(*record->role)) windows.push_back(std::move(child));
    }
    return windows;
}

}  // namespace

std::optional<AttributeValue> copyAttributeValue(const Element& element, std::string_view attribute) {
    const ElementRecord* record = atspi::elementRecord(element);
    if (!record) return std::nullopt;
    if (attribute == "AXRole") return textValue(atspi::axRoleName(*record));
    if (attribute == "AXTitle") return textValue(record->name);
    if (attribute == "AXDescription") return textValue(record->description);
    if (attribute == "AXRoleDescription") return textValue(record->localizedRole);
    if (attribute == "AXLabel") return textValue(record->label);
    if (attribute == "AXValue") return elementValue(*record);
    if (attribute == "AXEnabled") {
        return stateValue(*record, hasState(*record, ATSPI_STATE_ENABLED) && hasState(*record, ATSPI_STATE_SENSITIVE));
    }
    if (attribute == "AXFocused") return stateValue(*record, hasState(*record, ATSPI_STATE_FOCUSED));
    if (attribute == "AXPosition") {
        const atspi::Extents* extents = shownExtents(*record);
        if (!extents) return std::nullopt;
        return AttributeValue(PointValue{Point{double(extents->x), double(extents->y)}});
    }
    if (attribute == "AXSize") {
        const atspi::Extents* extents = shownExtents(*record);
        if (!extents) return std::nullopt;
        return AttributeValue(SizeValue{Size{double(extents->width), double(extents->height)}});
    }
    if (attribute == "AXChildren") {
        if (!record->children) return std::nullopt;
        return AttributeValue(atspi::makeSiblingElements(*record->children));
    }
    if (attribute == "AXWindows") {
        if (record->role != std::optional<std::uint32_t>(ATSPI_ROLE_APPLICATION) || !record->children) {
            return std::nullopt;
        }
        return AttributeValue(windowsOf(*record));
    }
    return std::nullopt;
}

}  // namespace platform
