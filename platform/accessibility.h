#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/element.h"
#include "platform/geometry.h"

// The accessibility service: every read of and action on another
// application's interface goes through these operations. Any failure of
// the service (refused call, dead process, time-out) is an absent result
// or false; no reason is ever carried.
namespace platform {

// A value of a kind the tool never reads (a date, a text range, ...).
struct OtherValue {};

// A geometry value as the service hands it out: the point and size kinds
// are distinct so a reader can tell which one it holds.
struct PointValue {
    Point point;
};
struct SizeValue {
    Size size;
};

// One attribute value, typed as the service reports it.
using AttributeValue = std::variant<std::string,           // text (UTF-8)
                                    std::int64_t,          // integer number
                                    double,                // real number
                                    bool,                  // Boolean object
                                    std::vector<Element>,  // list of elements
                                    PointValue,            // point value
                                    SizeValue,             // size value
                                    Element,               // one element
                                    OtherValue>;

// The application root of a process; always a handle, even when no such
// process exists (later calls on it then fail).
Element createApplicationElement(std::int32_t pid);

// The value of one attribute, or nothing when the call fails or yields no value.
std::optional<AttributeValue> copyAttributeValue(const Element& element, std::string_view attribute);

// The element's action names as values (an entry may be something other
// than a text), or nothing when the call fails.
std::optional<std::vector<AttributeValue>> copyActionNames(const Element& element);

// Performs one action; true when it was performed.
bool performAction(const Element& element, std::string_view action);

// Sets one attribute; true when the value was set.
bool setAttributeValue(const Element& element, std::string_view attribute, const AttributeValue& value);

// Whether the element takes a new value of this attribute (an editable
// text's "AXValue"); false when it does not or the call fails.
bool isAttributeSettable(const Element& element, std::string_view attribute);

// What a walk of the tree under an element is about to read of each
// element down to `levels` below it, so that a backend may fetch it ahead,
// a whole tree level at a time. Reading anything else, or elsewhere, still
// works, only slower.
struct SubtreeReading {
    std::int64_t levels = 0;
    bool names = true;    // AXTitle, AXDescription, AXLabel, AXRoleDescription
    bool values = true;   // AXValue
    bool details = true;  // AXEnabled, AXFocused, AXPosition, AXSize and the actions
    // When not 0, the walk only shows the first this many user-perceived
    // characters of each value (and whether it is empty): a backend may
    // hand out a value cut after at least that many.
    std::size_t shownValueCharacters = 0;
};
void prefetchSubtree(const Element& element, const SubtreeReading& reading);

// A caller that reads the tree again and again (a search that waits for an
// element to appear) starts each reading with this: how long the backend
// waits for applications in all then counts from here, for each reading.
void beginTreeReading();

// Whether the element's application stopped answering during this run (a
// call to it timed out): what was read of it since may be incomplete.
bool stoppedAnswering(const Element& element);

// Whether two handles name the same element of the same application.
bool isSameElement(const Element& first, const Element& second);

// Whether text for the element may hold characters beyond U+FFFF (emoji):
// false for an application known to lose them both when its value is set
// and when they arrive as keys.
bool takesCharactersBeyondBmp(const Element& element);

// Whether this process may use the service; with promptUser the platform
// may ask the user to grant access.
bool isProcessTrusted(bool promptUser);

}  // namespace platform
