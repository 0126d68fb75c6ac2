// Setting attributes of AT-SPI2 elements.
#include <atspi/atspi-constants.h>

#include "platform/accessibility.h"
#include "platform/linux/atspi_element.h"
#include "platform/linux/atspi_status.h"

namespace platform {
namespace {

using atspi::ElementRecord;

bool callSucceeds(atspi::Message call) {
    atspi::Message reply = atspi::callAndWait(std::move(call));
    return atspi::readBoolean(reply.get()).value_or(false);
}

bool grabFocus(const Element& element) {
    return callSucceeds(atspi::methodCall(element.ref()->address, ATSPI_DBUS_INTERFACE_COMPONENT, "GrabFocus"));
}

// Replaces the text of an editable text. An element that is not editable
// refuses, so the caller falls back to typing; the toolkit's own answer
// cannot be trusted there (it reports success and changes nothing).
bool setTextContents(const Element& element, const ElementRecord& record, const std::string& text) {
    if (!atspi::hasState(record, ATSPI_STATE_EDITABLE)) return false;
    atspi::Message call = atspi::methodCall(element.ref()->address, ATSPI_DBUS_INTERFACE_EDITABLE_TEXT, "SetTextContents");
    if (!atspi::appendString(call.get(), text)) return false;
    return callSucceeds(std::move(call));
}

}  // namespace

bool setAttributeValue(const Element& element, std::string_view attribute, const AttributeValue& value) {
    const ElementRecord* record = atspi::elementRecord(element);
    if (!record) return false;
    bool done = false;
    if (attribute == "AXFocused") {
        const bool* focus = std::get_if<bool>(&value);
        done = focus && *focus && grabFocus(element);
    } else if (attribute == "AXValue") {
        const std::string* text = std::get_if<std::string>(&value);
        done = text && setTextContents(element, *record, *text);
    } else if (attribute == "AXEnhancedUserInterface") {
        // Only an application root names an application.
        const bool* enable = std::get_if<bool>(&value);
        done = enable && *enable && record->role == std::optional<std::uint32_t>(ATSPI_ROLE_APPLICATION) &&
               atspi::enableAccessibilityStatus();
    }
    // What the element says about itself may have changed.
    atspi::forgetRecord(element);
    return done;
}

}  // namespace platform
