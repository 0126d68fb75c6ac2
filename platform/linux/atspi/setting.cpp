// Setting attributes of AT-SPI2 elements.
#include <atspi/atspi-constants.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/accessibility.h"
#include "platform/linux/atspi/element.h"
#include "platform/linux/atspi/status.h"

namespace platform {
namespace {

using atspi::ElementRecord;

bool callSucceeds(atspi::Message call) {
    atspi::Message reply = atspi::callAndWait(std::move(call));
    return atspi::readBoolean(reply.get()).value_or(false);
}

bool grabFocus(const Element& element, const ElementRecord& record) {
    if (!atspi::implements(record, ATSPI_DBUS_INTERFACE_COMPONENT)) return false;
    return callSucceeds(atspi::methodCall(element.ref()->address, ATSPI_DBUS_INTERFACE_COMPONENT, "GrabFocus"));
}

bool replaceText(const Element& element, const std::string& text) {
    atspi::Message call = atspi::methodCall(element.ref()->address, ATSPI_DBUS_INTERFACE_EDITABLE_TEXT, "SetTextContents");
    return atspi::appendString(call.get(), text) && callSucceeds(std::move(call));
}

std::optional<std::string> textUpTo(const Element& element, std::int32_t end) {
    atspi::Message call = atspi::methodCall(element.ref()->address, ATSPI_DBUS_INTERFACE_TEXT, "GetText");
    if (!atspi::appendInt32(call.get(), 0) || !atspi::appendInt32(call.get(), end)) return std::nullopt;
    atspi::Message reply = atspi::callAndWait(std::move(call));
    return atspi::readString(reply.get());
}

// The element's whole text as it reads now. GTK 4.8 answers an entry's
// text up to offset -1 (its end) with nothing, so an empty answer is asked
// again up to the character count: a set text would otherwise be taken
// for refused and typed a second time.
std::optional<std::string> currentText(const Element& element) {
    std::optional<std::string> text = textUpTo(element, -1);
    if (!text || !text->empty()) return text;
    atspi::Message count =
        atspi::callAndWait(atspi::propertyGet(element.ref()->address, ATSPI_DBUS_INTERFACE_TEXT, "CharacterCount"));
    const std::optional<double> characters = atspi::readVariantNumber(count.get());
    if (!characters || !(*characters >= 1) || *characters > 2147483647.0) return text;
    return textUpTo(element, static_cast<std::int32_t>(*characters));
}

// Replaces the text of an editable text. An element that is not editable
// refuses, so the caller falls back to typing. The toolkit's own answer is
// not trusted: Firefox reports success and changes nothing, so the text is
// read back and the setting counts only when it took. A text that took
// otherwise (changed by the field) is put back as it was, so that the
// keys typed instead do not add to it.
bool takesText(const ElementRecord& record) {
    return atspi::hasState(record, ATSPI_STATE_EDITABLE) && atspi::implements(record, ATSPI_DBUS_INTERFACE_EDITABLE_TEXT) &&
           atspi::implements(record, ATSPI_DBUS_INTERFACE_TEXT);
}

bool setTextContents(const Element& element, const ElementRecord& record, const std::string& text) {
    if (!takesText(record)) return false;
    const std::optional<std::string> before = currentText(element);
    if (!before || !replaceText(element, text)) return false;
    const std::optional<std::string> after = currentText(element);
    if (after == text) return true;
    if (after != before) replaceText(element, *before);
    return false;
}

// Accessibility is switched on for the whole session, which makes toolkits
// that build their tree only on demand (Chromium, Electron) build it. The
// switch is made also for a process that is no AT-SPI application (yet),
// since that is what lets it become one; success needs it to be one.
bool enhanceApplication(const Element& element, const AttributeValue& value) {
    const bool* enable = std::get_if<bool>(&value);
    if (!enable || !*enable || !element.ref() || !element.ref()->applicationRoot) return false;
    const bool enabled = atspi::enableAccessibilityStatus();
    return enabled && !element.ref()->address.bus.empty();
}

}  // namespace

// From the states and interfaces alone, which a walk's records hold: no
// call of its own.
bool isAttributeSettable(const Element& element, std::string_view attribute) {
    const ElementRecord* record = atspi::elementRecord(element, atspi::RecordParts{false, true, false, 0});
    if (!record) return false;
    if (attribute == "AXValue") return takesText(*record);
    if (attribute == "AXFocused") {
        return atspi::hasState(*record, ATSPI_STATE_FOCUSABLE) && atspi::implements(*record, ATSPI_DBUS_INTERFACE_COMPONENT);
    }
    return false;
}

bool setAttributeValue(const Element& element, std::string_view attribute, const AttributeValue& value) {
    if (attribute == "AXEnhancedUserInterface") return enhanceApplication(element, value);
    const ElementRecord* record = atspi::elementRecord(element);
    if (!record) return false;
    bool done = false;
    if (attribute == "AXFocused") {
        const bool* focus = std::get_if<bool>(&value);
        done = focus && *focus && grabFocus(element, *record);
    } else if (attribute == "AXValue") {
        const std::string* text = std::get_if<std::string>(&value);
        done = text && setTextContents(element, *record, *text);
    }
    // What the element says about itself may have changed.
    atspi::forgetRecord(element);
    return done;
}

}  // namespace platform
