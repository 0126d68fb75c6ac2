// Reading attributes of AT-SPI2 elements in the macOS vocabulary.
#include <atspi/atspi-constants.h>

#include <cmath>
#include <memory>

#include "platform/accessibility.h"
#include "platform/linux/atspi/element.h"
#include "platform/linux/atspi/placeholders.h"
#include "platform/linux/atspi/roles.h"
#include "platform/linux/atspi/toolkit.h"
#include "platform/linux/display_server.h"

namespace platform {
namespace {

using atspi::ElementRecord;
using atspi::hasState;

// The parts of a record an attribute is read from.
atspi::RecordParts partsFor(std::string_view attribute) {
    atspi::RecordParts parts{false, false, false, 0};
    if (attribute == "AXTitle" || attribute == "AXDescription" || attribute == "AXRoleDescription" ||
        attribute == "AXLabel") {
        parts.names = true;
    } else if (attribute == "AXValue") {
        parts.values = true;
    } else if (attribute == "AXPosition" || attribute == "AXSize") {
        parts.details = true;
    } else if (attribute != "AXRole" && attribute != "AXEnabled" && attribute != "AXFocused" &&
               attribute != "AXSelected" && attribute != "AXExpanded" && attribute != "AXHidden" &&
               attribute != "AXChildren") {
        parts = atspi::RecordParts{};
    }
    return parts;
}

std::optional<AttributeValue> textValue(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return AttributeValue(*text);
}

// The name of the chosen item of a combo box: the selected child of its
// popup list (Chromium, Firefox, GTK), looked for two levels down.
std::optional<std::string> chosenItemName(const Element& comboBox, const ElementRecord& record, int levels = 2) {
    if (!record.children || levels == 0) return std::nullopt;
    for (const Element& child : atspi::makeSiblingElements(*record.children, comboBox.ref()->topLevel)) {
        const ElementRecord* childRecord = atspi::elementRecord(child, atspi::RecordParts{true, false, false, 0});
        if (!childRecord) continue;
        if (hasState(*childRecord, ATSPI_STATE_SELECTED) && childRecord->name) return childRecord->name;
        if (auto name = chosenItemName(child, *childRecord, levels - 1)) return name;
    }
    return std::nullopt;
}

// A check box's value is its checked state; a text's value its text; a
// slider's (Value interface) its number; a combo box's that of its chosen
// item when it has no text of its own.
std::optional<AttributeValue> elementValue(const Element& element, const ElementRecord& record) {
    if (record.role && atspi::valueIsCheckedState(*record.role)) {
        if (!record.states) return std::nullopt;
        return AttributeValue(std::int64_t{hasState(record, ATSPI_STATE_CHECKED) ? 1 : 0});
    }
    std::optional<std::string> text;
    if (record.text) text = atspi::withoutObjectCharacters(*record.text);
    if (record.role == std::optional<std::uint32_t>(ATSPI_ROLE_COMBO_BOX) && (!text || text->empty())) {
        if (auto chosen = chosenItemName(element, record)) return AttributeValue(*chosen);
    }
    if (text) return AttributeValue(*text);
    if (record.number && std::isfinite(*record.number)) return AttributeValue(*record.number);
    return std::nullopt;
}

std::optional<AttributeValue> stateValue(const ElementRecord& record, bool value) {
    if (!record.states) return std::nullopt;
    return AttributeValue(value);
}

// Whether the element is on view: SHOWING, which AT-SPI sets on an element
// that is visible and whose ancestors are all visible too. Chromium leaves
// it off elements scrolled out of the page's view; menus not open and
// pages of a notebook not on top are not showing either.
bool isShowing(const Element& element, const ElementRecord& record) {
    const atspi::ToolkitQuirks& quirks = atspi::applicationQuirks(element.ref()->address.bus);
    return hasState(record, quirks.marksShowing ? ATSPI_STATE_SHOWING : ATSPI_STATE_VISIBLE);
}

// Geometry only for elements on screen: a hidden one reports stale or
// made-up extents.
const atspi::Extents* shownExtents(const Element& element, const ElementRecord& record) {
    if (!record.extents || !isShowing(element, record)) return nullptr;
    return &*record.extents;
}

// The display server's place of a top-level window whose toolkit reports
// none for it (Java's ATK bridge gives its frames -1 for x, y, width and
// height while placing their content right); nullptr for any other element
// and for a window not on view.
const display_server::WindowRectangle* displayedWindow(const Element& element, const ElementRecord& record) {
    atspi::TopLevel* topLevel = element.ref()->topLevel.get();
    const atspi::ObjectAddress& address = element.ref()->address;
    if (!topLevel || address.bus != topLevel->window.bus || address.path != topLevel->window.path) return nullptr;
    const atspi::Extents* extents = shownExtents(element, record);
    if (!extents || (atspi::hasPosition(*extents) && atspi::hasSize(*extents))) return nullptr;
    if (!topLevel->rectangleLookedUp) {
        topLevel->rectangleLookedUp = true;
        topLevel->rectangle = display_server::topLevelRectangle(topLevel->pid, topLevel->title);
    }
    return topLevel->rectangle ? &*topLevel->rectangle : nullptr;
}

// Expanded or collapsed only for an element that can be either.
std::optional<AttributeValue> expandedValue(const ElementRecord& record) {
    if (!hasState(record, ATSPI_STATE_EXPANDABLE) && !hasState(record, ATSPI_STATE_EXPANDED)) return std::nullopt;
    return AttributeValue(hasState(record, ATSPI_STATE_EXPANDED));
}

// Where the element's coordinates count from: the screen, or for a toolkit
// that gives them relative to the window (GTK 4 on X11, every native
// client on Wayland), the window's content on screen.
std::optional<Point> coordinateOrigin(const Element& element) {
    const bool windowRelative = atspi::applicationQuirks(element.ref()->address.bus).extentsRelativeToWindow;
    if (!windowRelative && display_server::kind() == display_server::Kind::x11) return Point{0, 0};
    atspi::TopLevel* topLevel = element.ref()->topLevel.get();
    if (!topLevel) return std::nullopt;
    if (!topLevel->lookedUp) {
        topLevel->lookedUp = true;
        topLevel->origin = display_server::coordinateOrigin(topLevel->pid, topLevel->title, topLevel->width,
                                                            topLevel->height, windowRelative);
    }
    if (!topLevel->origin) return std::nullopt;
    return Point{double(topLevel->origin->x), double(topLevel->origin->y)};
}

// The windows of one application root, each the top level of its elements.
void appendWindowsOf(std::int32_t pid, const ElementRecord& root, std::vector<Element>& windows) {
    if (!root.children) return;
    for (Element& child : atspi::makeSiblingElements(*root.children)) {
        const ElementRecord* childRecord = atspi::elementRecord(child);
        if (!childRecord || !atspi::isTopLevelWindow(pid, *childRecord)) continue;
        auto topLevel = std::make_shared<atspi::TopLevel>();
        topLevel->pid = pid;
        topLevel->title = childRecord->name.value_or("");
        topLevel->window = child.ref()->address;
        if (childRecord->extents) {
            topLevel->width = childRecord->extents->width;
            topLevel->height = childRecord->extents->height;
        }
        child.ref()->topLevel = std::move(topLevel);
        windows.push_back(std::move(child));
    }
}

// The windows of a process: those of its first root, then of its others.
std::vector<Element> windowsOf(const Element& application, const ElementRecord& record) {
    std::vector<Element> windows;
    const std::int32_t pid = application.ref()->pid;
    appendWindowsOf(pid, record, windows);
    for (const atspi::ObjectAddress& address : application.ref()->moreRoots) {
        const Element root = atspi::makeElement(address);
        if (const ElementRecord* rootRecord = atspi::elementRecord(root)) appendWindowsOf(pid, *rootRecord, windows);
    }
    return windows;
}

}  // namespace

std::optional<AttributeValue> copyAttributeValue(const Element& element, std::string_view attribute) {
    const ElementRecord* record = atspi::elementRecord(element, partsFor(attribute));
    if (!record) return std::nullopt;
    if (attribute == "AXRole") return textValue(atspi::axRoleName(*record));
    if (attribute == "AXTitle") return textValue(record->name);
    if (attribute == "AXDescription") return textValue(record->description);
    if (attribute == "AXRoleDescription") return textValue(record->localizedRole);
    if (attribute == "AXLabel") return textValue(record->label);
    if (attribute == "AXValue") return elementValue(element, *record);
    // GTK 4 marks enabled widgets SENSITIVE only, others ENABLED only.
    if (attribute == "AXEnabled") {
        return stateValue(*record, hasState(*record, ATSPI_STATE_ENABLED) || hasState(*record, ATSPI_STATE_SENSITIVE));
    }
    if (attribute == "AXFocused") return stateValue(*record, hasState(*record, ATSPI_STATE_FOCUSED));
    if (attribute == "AXSelected") return stateValue(*record, hasState(*record, ATSPI_STATE_SELECTED));
    if (attribute == "AXExpanded") return expandedValue(*record);
    if (attribute == "AXHidden") return stateValue(*record, !isShowing(element, *record));
    if (attribute == "AXPosition") {
        if (const auto* window = displayedWindow(element, *record)) {
            return AttributeValue(PointValue{Point{double(window->x), double(window->y)}});
        }
        const atspi::Extents* extents = shownExtents(element, *record);
        if (!extents || !atspi::hasPosition(*extents)) return std::nullopt;
        const auto origin = coordinateOrigin(element);
        if (!origin) return std::nullopt;
        return AttributeValue(PointValue{Point{origin->x + extents->x, origin->y + extents->y}});
    }
    if (attribute == "AXSize") {
        if (const auto* window = displayedWindow(element, *record)) {
            return AttributeValue(SizeValue{Size{double(window->width), double(window->height)}});
        }
        const atspi::Extents* extents = shownExtents(element, *record);
        if (!extents || !atspi::hasSize(*extents)) return std::nullopt;
        return AttributeValue(SizeValue{Size{double(extents->width), double(extents->height)}});
    }
    if (attribute == "AXChildren") {
        if (!record->children) return std::nullopt;
        return AttributeValue(atspi::makeSiblingElements(*record->children, element.ref()->topLevel));
    }
    if (attribute == "AXWindows") {
        if (record->role != std::optional<std::uint32_t>(ATSPI_ROLE_APPLICATION) || !record->children) {
            return std::nullopt;
        }
        return AttributeValue(windowsOf(element, *record));
    }
    return std::nullopt;
}

}  // namespace platform
