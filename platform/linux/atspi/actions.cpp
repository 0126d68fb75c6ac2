#include "platform/linux/atspi/actions.h"

#include <atspi/atspi-constants.h>

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/accessibility.h"
#include "platform/linux/atspi/element.h"
#include "platform/linux/atspi/roles.h"

namespace platform::atspi {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::optional<std::string> axActionName(std::string_view atspiName) {
    if (atspiName.empty()) return std::nullopt;
    // Toolkits spell these differently ("click" in GTK, "Press" in Qt);
    // browsers name the element's own verb ("check" on a check box, "open"
    // on a select, "select" on its options, "clickAncestor" on the text
    // inside a link, which presses the link).
    for (std::string_view press : {"click", "press", "activate", "toggle", "jump", "check", "uncheck", "open", "select",
                                   "cycle", "clickancestor"}) {
        if (equalsIgnoringCase(atspiName, press)) return "AXPress";
    }
    for (std::string_view menu : {"showmenu", "popup", "showcontextmenu"}) {
        if (equalsIgnoringCase(atspiName, menu)) return "AXShowMenu";
    }
    return axCamelCase(atspiName);
}

void nameDefaultPress(ElementRecord& record) {
    static constexpr std::uint32_t pressedRoles[] = {
        ATSPI_ROLE_PUSH_BUTTON,     ATSPI_ROLE_TOGGLE_BUTTON,     ATSPI_ROLE_CHECK_BOX, ATSPI_ROLE_RADIO_BUTTON,
        ATSPI_ROLE_LINK,            ATSPI_ROLE_MENU_ITEM,         ATSPI_ROLE_CHECK_MENU_ITEM,
        ATSPI_ROLE_RADIO_MENU_ITEM, ATSPI_ROLE_PAGE_TAB,
    };
    if (!record.actions || !record.role ||
        std::find(std::begin(pressedRoles), std::end(pressedRoles), *record.role) == std::end(pressedRoles)) {
        return;
    }
    auto& actions = *record.actions;
    if (std::any_of(actions.begin(), actions.end(), [](const std::string& name) { return axActionName(name) == "AXPress"; })) {
        return;
    }
    // GTK 4.18 gives a tree row's expander button only its widget's actions
    // (listitem.toggle-expand, listitem.expand, listitem.collapse); the
    // toggle is what pressing the button does.
    for (std::string& name : actions) {
        if (equalsIgnoringCase(name, "doDefault") || equalsIgnoringCase(name, "listitem.toggle-expand")) {
            name = "press";
            return;
        }
    }
}

bool isKnownVerb(std::string_view atspiName) {
    const auto name = axActionName(atspiName);
    return name == "AXPress" || name == "AXShowMenu";
}

std::vector<std::string> axActionNames(const std::vector<std::string>& atspiNames) {
    std::vector<std::string> names;
    for (const std::string& atspiName : atspiNames) {
        auto name = axActionName(atspiName);
        if (name && std::find(names.begin(), names.end(), *name) == names.end()) names.push_back(std::move(*name));
    }
    return names;
}

std::optional<std::int32_t> actionIndexFor(const std::vector<std::string>& atspiNames, std::string_view axName) {
    const std::size_t limit = std::min<std::size_t>(atspiNames.size(), std::numeric_limits<std::int32_t>::max());
    for (std::size_t i = 0; i < limit; ++i) {
        if (axActionName(atspiNames[i]) == axName) return static_cast<std::int32_t>(i);
    }
    return std::nullopt;
}

}  // namespace platform::atspi

namespace platform {

std::optional<std::vector<AttributeValue>> copyActionNames(const Element& element) {
    const atspi::ElementRecord* record = atspi::elementRecord(element);
    if (!record || !record->actions) return std::nullopt;
    std::vector<AttributeValue> names;
    for (std::string& name : atspi::axActionNames(*record->actions)) names.emplace_back(std::move(name));
    return names;
}

bool performAction(const Element& element, std::string_view action) {
    const atspi::ElementRecord* record = atspi::elementRecord(element);
    if (!record || !record->actions) return false;
    auto index = atspi::actionIndexFor(*record->actions, action);
    if (!index) return false;
    atspi::Message call = atspi::methodCall(element.ref()->address, ATSPI_DBUS_INTERFACE_ACTION, "DoAction");
    if (!atspi::appendInt32(call.get(), *index)) return false;
    atspi::Message reply = atspi::callAndWait(std::move(call));
    // The action may change what the element says about itself.
    atspi::forgetRecord(element);
    return atspi::readBoolean(reply.get()).value_or(false);
}

}  // namespace platform
