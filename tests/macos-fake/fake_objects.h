#pragma once

// The fake of the Core Foundation, accessibility and Core Graphics calls
// that the macOS backend's plain C++ files make, so that they run here
// against the in-memory desktop's scripted elements. Written from Apple's
// documented semantics: the Create and Copy rule (the caller owns the
// result), arrays and dictionaries retain what they hold, CFString keeps
// UTF-16, AXValue holds a point or a size, an AXUIElement answers with
// error codes. Every object is counted, so tests can see a leak or a
// release too many.

#include <ApplicationServices/ApplicationServices.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory/memory_desktop.h"

namespace fake {

enum class Kind { string, number, boolean, array, dictionary, data, element, axValue, other, event };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    long retains = 1;
    bool immortal = false;  // constants: retain and release do nothing
    long heldByContainers = 0;
};

struct String : Object {
    explicit String(std::u16string text) : Object(Kind::string), units(std::move(text)) {}
    std::u16string units;
};

struct Number : Object {
    Number() : Object(Kind::number) {}
    bool isFloat = false;
    std::int64_t integer = 0;
    double real = 0;
};

struct Boolean : Object {
    explicit Boolean(bool v) : Object(Kind::boolean), value(v) {}
    bool value;
};

struct Array : Object {
    Array() : Object(Kind::array) {}
    std::vector<CFTypeRef> values;
    bool retainsValues = false;
};

struct Dictionary : Object {
    Dictionary() : Object(Kind::dictionary) {}
    std::vector<std::pair<CFTypeRef, CFTypeRef>> entries;
    bool retainsEntries = false;
};

struct Element : Object {
    Element(memory::Node* n, pid_t p, bool wide = false) : Object(Kind::element), node(n), pid(p), systemWide(wide) {}
    memory::Node* node;
    pid_t pid;
    bool systemWide;
};

struct AxValue : Object {
    explicit AxValue(AXValueType t) : Object(Kind::axValue), type(t) {}
    AXValueType type;
    double first = 0;
    double second = 0;
};

// A value of a kind the backend does not read (a date, a range, ...).
struct Other : Object {
    Other() : Object(Kind::other) {}
};

// A Core Graphics event as created and given its fields.
struct Event : Object {
    Event() : Object(Kind::event) {}
    enum class Type { mouse, keyboard, scroll, plain } type = Type::plain;
    CGEventType mouseType = 0;
    CGPoint location{0, 0};
    CGMouseButton button = 0;
    std::int64_t clickState = 1;
    CGKeyCode virtualKey = 0;
    bool keyDown = false;
    std::u16string characters;
    CGScrollEventUnit units = 0;
    std::uint32_t wheelCount = 0;
    std::int32_t wheels[3] = {0, 0, 0};
    CGEventFlags flags = 0;
};

// One posted event: where it went and what it held.
struct PostedEvent {
    CGEventTapLocation tap = 0;
    Event event;
};

// The fake's own state beside the scripted desktop.
struct State {
    // The messaging time-outs set, with whether each was on the
    // system-wide element.
    std::vector<std::pair<bool, float>> messagingTimeouts;
    // Every call answers kAXErrorAPIDisabled (this process is not trusted).
    bool apiDisabled = false;
    // Releases of objects that were not alive (a release too many).
    long badReleases = 0;
    // Every Core Graphics event posted, in order.
    std::vector<PostedEvent> posted;
};
State& state();

// Objects alive now, constants not counted.
long liveObjects();

// References to elements that the code under test holds (those held by
// arrays not counted), and the most held at once since resetElementPeak.
long elementReferences();
long elementReferencePeak();
void resetElementPeak();

// UTF-8 of a fake CFString.
std::string utf8(CFStringRef string);

// The live object behind a reference; nothing for a dead or unknown one.
Object* object(CFTypeRef ref);

// Registers a new object that holds one reference, its creator's.
void registerObject(Object* object);
template <typename T>
T* born(T* object) {
    registerObject(object);
    return object;
}

// A new CFString of UTF-8 text.
String* newString(const std::string& utf8Text);

template <typename Ref, typename T>
Ref as(T* object) {
    return static_cast<Ref>(const_cast<void*>(static_cast<const void*>(object)));
}

}  // namespace fake
