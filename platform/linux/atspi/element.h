#pragma once

// The element handles of the AT-SPI2 backend.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/element.h"
#include "platform/linux/atspi/dbus.h"
#include "platform/linux/display_server.h"

namespace platform::atspi {

// Which parts of a record are fetched. Role, states and children always
// are: the role's name depends on the states, and a walk needs the children.
struct RecordParts {
    bool names = true;    // name, description, label, localized role name
    bool values = true;   // text and number
    bool details = true;  // extents and actions
    // When not 0, the text only needs its first this many user-perceived
    // characters (and whether it is empty): a long one is fetched cut. Only
    // a walk that shows values cut asks for this (see prefetchSubtree), and
    // its records are read by that walk alone.
    std::size_t shownTextCharacters = 0;

    // Whether these parts hold all of `needed`'s.
    bool cover(const RecordParts& needed) const {
        return (names || !needed.names) && (values || !needed.values) && (details || !needed.details);
    }
};

// What one element says about itself, fetched in one go (see loadRecords).
// Each part is absent when its call failed, the element lacks the
// interface, or the part was not fetched (see `parts`).
struct ElementRecord {
    RecordParts parts;
    std::optional<std::uint32_t> role;
    std::optional<std::string> name;
    std::optional<std::string> description;
    std::optional<std::string> localizedRole;
    std::optional<std::uint64_t> states;
    std::optional<std::vector<ObjectAddress>> children;
    std::optional<std::string> text;    // Text interface: the whole text
    std::optional<double> number;       // Value interface: the current value
    std::optional<Extents> extents;     // Component interface, screen coordinates
    std::optional<std::vector<std::string>> actions;
    std::optional<std::string> label;   // name of the labelled-by target
    std::vector<std::string> interfaces;  // the D-Bus interfaces it implements
};

// The top-level window an element belongs to, for toolkits that place
// elements relative to it (see ToolkitQuirks) and for windows whose toolkit
// gives them no place. What the display server says is looked up once,
// when first needed.
struct TopLevel {
    std::int32_t pid = 0;
    std::string title;
    std::int32_t width = 0, height = 0;
    ObjectAddress window;  // the window element itself
    bool lookedUp = false;
    std::optional<display_server::ContentOrigin> origin;
    bool rectangleLookedUp = false;
    std::optional<display_server::WindowRectangle> rectangle;
};

// Elements handed out together as one list (the children of one element).
// The first read of one of them fetches its record and those of the
// members after it that are still alive, in one batch of calls.
struct SiblingGroup {
    std::vector<ElementRef*> members;  // nullptr once released
};

}  // namespace platform::atspi

namespace platform {

struct ElementRef {
    int references = 1;
    atspi::ObjectAddress address;  // an empty bus: a handle on which every call fails
    bool applicationRoot = false;  // made for a process id by createApplicationElement
    std::int32_t pid = 0;          // of an application root
    std::vector<atspi::ObjectAddress> moreRoots;  // the process's other roots, whose windows are its windows too
    std::shared_ptr<atspi::TopLevel> topLevel;  // of a window and everything under it
    std::optional<atspi::ElementRecord> record;
    std::shared_ptr<atspi::SiblingGroup> group;
    std::size_t indexInGroup = 0;
};

}  // namespace platform

namespace platform::atspi {

// A handle of one object (an empty address gives a handle on which every call fails).
Element makeElement(ObjectAddress address);

// Handles of a list of objects, fetched together on first use, all under
// the same top-level window (none for the windows themselves).
std::vector<Element> makeSiblingElements(const std::vector<ObjectAddress>& addresses,
                                         const std::shared_ptr<TopLevel>& topLevel = nullptr);

// The element's record with at least the needed parts, fetching it (with
// its sibling group) when not yet loaded or loaded without them; nullptr
// for a handle on which every call fails.
const ElementRecord* elementRecord(const Element& element, const RecordParts& needed = RecordParts{});

// Forgets the element's record so the next read fetches it afresh (after
// an action or a setting changed it).
void forgetRecord(const Element& element);

bool hasState(const ElementRecord& record, std::uint32_t state);

// Whether the element implements this D-Bus interface; an element must be
// asked only through interfaces it has.
bool implements(const ElementRecord& record, std::string_view interface);

}  // namespace platform::atspi
