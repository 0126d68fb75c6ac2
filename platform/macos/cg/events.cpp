// Synthetic input through Core Graphics events, posted at the HID tap. An
// event of the platform's interface is plain data until it is posted: the
// Core Graphics event is created then, given its fields, posted and
// released; one that cannot be created is skipped.
#include <ApplicationServices/ApplicationServices.h>

#include "platform/events.h"
#include "platform/macos/cf_owned.h"
#include "platform/macos/cg/post.h"
#include "platform/macos/cg/unicode_chunks.h"

namespace platform {
namespace {

using macos::CfOwned;

CGMouseButton buttonOf(MouseEventType type) {
    switch (type) {
        case MouseEventType::rightMouseDown:
        case MouseEventType::rightMouseUp:
            return kCGMouseButtonRight;
        case MouseEventType::otherMouseDown:
        case MouseEventType::otherMouseUp:
            return kCGMouseButtonCenter;
        default:
            return kCGMouseButtonLeft;
    }
}

void postMouse(const MouseEvent& mouse) {
    CfOwned<CGEventRef> event(CGEventCreateMouseEvent(nullptr, static_cast<CGEventType>(mouse.type),
                                                      CGPoint{mouse.position.x, mouse.position.y},
                                                      buttonOf(mouse.type)));
    if (!event) return;
    if (mouse.clickState != 1) CGEventSetIntegerValueField(event.get(), kCGMouseEventClickState, mouse.clickState);
    CGEventPost(kCGHIDEventTap, event.get());
}

}  // namespace

// The system delivers at most 20 UTF-16 units of one event and silently
// drops the rest: a longer cluster goes out as several events of the same
// direction, never splitting a surrogate pair.
void macos::postKeyboardEvent(const KeyboardEvent& key, std::uint64_t flags) {
    const auto chunks = macos::unicodeChunks(key.characters);
    const std::size_t count = chunks.empty() ? 1 : chunks.size();
    for (std::size_t i = 0; i < count; ++i) {
        CfOwned<CGEventRef> event(CGEventCreateKeyboardEvent(nullptr, key.virtualKey, key.keyDown));
        if (!event) continue;
        if (!chunks.empty()) {
            CGEventKeyboardSetUnicodeString(event.get(), chunks[i].size(),
                                            reinterpret_cast<const UniChar*>(chunks[i].data()));
        }
        if (flags != 0) CGEventSetFlags(event.get(), flags);
        CGEventPost(kCGHIDEventTap, event.get());
    }
}

namespace {

void postScroll(const ScrollWheelEvent& scroll) {
    const std::uint32_t wheels = scroll.wheel2 != 0 ? 2 : 1;
    CfOwned<CGEventRef> event(
        CGEventCreateScrollWheelEvent2(nullptr, kCGScrollEventUnitPixel, wheels, scroll.wheel1, scroll.wheel2, 0));
    if (event) CGEventPost(kCGHIDEventTap, event.get());
}

}  // namespace

std::optional<Event> createMouseEvent(MouseEventType type, Point position) { return MouseEvent{type, position, 1}; }

void setClickState(Event& event, std::int64_t clickState) {
    if (auto* mouse = std::get_if<MouseEvent>(&event)) mouse->clickState = clickState;
}

std::optional<Point> pointerLocation() {
    CfOwned<CGEventRef> event(CGEventCreate(nullptr));
    if (!event) return std::nullopt;
    const CGPoint location = CGEventGetLocation(event.get());
    return Point{location.x, location.y};
}

std::optional<Event> createKeyboardEvent(std::uint16_t virtualKey, bool keyDown) {
    return KeyboardEvent{virtualKey, keyDown, {}};
}

void setUnicodeString(Event& event, std::u16string_view characters) {
    if (auto* key = std::get_if<KeyboardEvent>(&event)) key->characters = std::u16string(characters);
}

std::optional<Event> createScrollWheelEvent(std::int32_t wheel1) { return ScrollWheelEvent{wheel1, 0}; }

std::optional<Event> createScrollWheelEvent(std::int32_t wheel1, std::int32_t wheel2) {
    return ScrollWheelEvent{wheel1, wheel2};
}

void postEvent(const Event& event) {
    if (const auto* mouse = std::get_if<MouseEvent>(&event)) postMouse(*mouse);
    if (const auto* key = std::get_if<KeyboardEvent>(&event)) macos::postKeyboardEvent(*key, 0);
    if (const auto* scroll = std::get_if<ScrollWheelEvent>(&event)) postScroll(*scroll);
}

}  // namespace platform
