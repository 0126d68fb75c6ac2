// The in-memory desktop's synthetic events: created (or not, as a test
// scripts it), posted into the desktop's records.
#include "platform/memory/memory_desktop.h"

namespace memory {
namespace {

std::optional<platform::Event> created(platform::Event event) {
    Desktop& d = desktop();
    const std::size_t number = d.creations++;
    if (d.failingCreations.count(number)) return std::nullopt;
    return event;
}

}  // namespace
}  // namespace memory

namespace platform {

using memory::desktop;

std::optional<Event> createMouseEvent(MouseEventType type, Point position) {
    return memory::created(MouseEvent{type, position});
}

std::optional<Event> createKeyboardEvent(std::uint16_t virtualKey, bool keyDown) {
    return memory::created(KeyboardEvent{virtualKey, keyDown, {}});
}

void setUnicodeString(Event& event, std::u16string_view characters) {
    if (auto* key = std::get_if<KeyboardEvent>(&event)) key->characters = std::u16string(characters);
}

void setClickState(Event& event, std::int64_t clickState) {
    if (auto* mouse = std::get_if<MouseEvent>(&event)) mouse->clickState = clickState;
}

std::optional<Point> pointerLocation() { return desktop().pointer; }

std::optional<Event> createScrollWheelEvent(std::int32_t wheel1) { return memory::created(ScrollWheelEvent{wheel1}); }

std::optional<Event> createScrollWheelEvent(std::int32_t wheel1, std::int32_t wheel2) {
    return memory::created(ScrollWheelEvent{wheel1, wheel2});
}

void postEvent(const Event& event) {
    // The pointer goes where every mouse event happens.
    if (const auto* mouse = std::get_if<MouseEvent>(&event)) desktop().pointer = mouse->position;
    desktop().records.emplace_back(memory::Posted{event});
}

}  // namespace platform
