// The Core Graphics event calls: creation that fails where the scripted
// desktop says so, and posting into the desktop's records as the
// platform's events, so the input tests read them as from the in-memory
// desktop; the fake keeps every posted event's Core Graphics fields too.
#include <algorithm>
#include <iterator>

#include "tests/macos-fake/fake_objects.h"

namespace {

fake::Event* eventOf(CGEventRef ref) { return dynamic_cast<fake::Event*>(fake::object(ref)); }

// A creation of the desktop's count of creations, or nothing where it fails.
fake::Event* created(fake::Event::Type type) {
    memory::Desktop& d = memory::desktop();
    const std::size_t number = d.creations++;
    if (d.failingCreations.count(number)) return nullptr;
    auto* event = fake::born(new fake::Event());
    event->type = type;
    return event;
}

}  // namespace

extern "C" {

CGEventRef CGEventCreate(CGEventSourceRef source) {
    const auto& pointer = memory::desktop().pointer;
    if (source || !pointer) return nullptr;
    auto* event = fake::born(new fake::Event());
    event->location = CGPoint{pointer->x, pointer->y};
    return fake::as<CGEventRef>(event);
}

CGEventRef CGEventCreateMouseEvent(CGEventSourceRef source, CGEventType mouseType, CGPoint position,
                                   CGMouseButton button) {
    if (source) return nullptr;
    fake::Event* event = created(fake::Event::Type::mouse);
    if (!event) return nullptr;
    event->mouseType = mouseType;
    event->location = position;
    event->button = button;
    return fake::as<CGEventRef>(event);
}

CGEventRef CGEventCreateKeyboardEvent(CGEventSourceRef source, CGKeyCode virtualKey, bool keyDown) {
    if (source) return nullptr;
    fake::Event* event = created(fake::Event::Type::keyboard);
    if (!event) return nullptr;
    event->virtualKey = virtualKey;
    event->keyDown = keyDown;
    return fake::as<CGEventRef>(event);
}

CGEventRef CGEventCreateScrollWheelEvent2(CGEventSourceRef source, CGScrollEventUnit units, uint32_t wheelCount,
                                          int32_t wheel1, int32_t wheel2, int32_t wheel3) {
    if (source || wheelCount < 1 || wheelCount > 3) return nullptr;
    fake::Event* event = created(fake::Event::Type::scroll);
    if (!event) return nullptr;
    event->units = units;
    event->wheelCount = wheelCount;
    event->wheels[0] = wheel1;
    event->wheels[1] = wheel2;
    event->wheels[2] = wheel3;
    return fake::as<CGEventRef>(event);
}

void CGEventKeyboardSetUnicodeString(CGEventRef ref, UniCharCount length, const UniChar* units) {
    fake::Event* event = eventOf(ref);
    if (!event) return;
    // The system keeps no more than 20 units of one event.
    event->characters.assign(reinterpret_cast<const char16_t*>(units), std::min<UniCharCount>(length, 20));
}

void CGEventSetIntegerValueField(CGEventRef ref, CGEventField field, int64_t value) {
    fake::Event* event = eventOf(ref);
    if (event && field == kCGMouseEventClickState) event->clickState = value;
}

void CGEventSetFlags(CGEventRef ref, CGEventFlags flags) {
    if (fake::Event* event = eventOf(ref)) event->flags = flags;
}

CGPoint CGEventGetLocation(CGEventRef ref) {
    const fake::Event* event = eventOf(ref);
    return event ? event->location : CGPoint{0, 0};
}

void CGEventPost(CGEventTapLocation tap, CGEventRef ref) {
    const fake::Event* event = eventOf(ref);
    if (!event) return;
    fake::PostedEvent posted{tap, fake::Event()};
    posted.event.type = event->type;
    posted.event.mouseType = event->mouseType;
    posted.event.location = event->location;
    posted.event.button = event->button;
    posted.event.clickState = event->clickState;
    posted.event.virtualKey = event->virtualKey;
    posted.event.keyDown = event->keyDown;
    posted.event.characters = event->characters;
    posted.event.units = event->units;
    posted.event.wheelCount = event->wheelCount;
    std::copy(std::begin(event->wheels), std::end(event->wheels), std::begin(posted.event.wheels));
    posted.event.flags = event->flags;
    posted.event.retains = 0;  // a copy for the record, never alive
    fake::state().posted.push_back(posted);

    memory::Desktop& d = memory::desktop();
    const platform::Point point{event->location.x, event->location.y};
    platform::Event translated;
    if (event->type == fake::Event::Type::mouse) {
        d.pointer = point;  // the pointer goes where every mouse event happens
        translated = platform::MouseEvent{static_cast<platform::MouseEventType>(event->mouseType), point,
                                          event->clickState};
    } else if (event->type == fake::Event::Type::keyboard) {
        platform::KeyboardEvent key;
        key.virtualKey = event->virtualKey;
        key.keyDown = event->keyDown;
        key.characters = event->characters;
        translated = std::move(key);
    } else if (event->type == fake::Event::Type::scroll) {
        translated = platform::ScrollWheelEvent{event->wheels[0], event->wheels[1]};
    } else {
        return;
    }
    d.records.push_back(memory::Record{memory::Posted{std::move(translated)}});
}

}  // extern "C"
