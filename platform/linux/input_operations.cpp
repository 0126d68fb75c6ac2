// The platform's input operations on the session's display server.
#include <variant>

#include "platform/events.h"
#include "platform/linux/display_server.h"
#include "platform/linux/wayland/platform.h"
#include "platform/linux/x11/operations.h"

namespace platform {
namespace {

bool onWayland() { return display_server::kind() == display_server::Kind::wayland; }

// Events are plain values until posted; they are made only while the
// session's display server can be reached.
bool hasConnection() { return onWayland() ? wayland::hasConnection() : x11::hasConnection(); }

}  // namespace

bool canPostInput() { return onWayland() ? wayland::canPostInput() : x11::canPostInput(); }

std::optional<Event> createMouseEvent(MouseEventType type, Point position) {
    if (!hasConnection()) return std::nullopt;
    return MouseEvent{type, position};
}

void setClickState(Event& event, std::int64_t clickState) {
    if (auto* mouse = std::get_if<MouseEvent>(&event)) mouse->clickState = clickState;
}

std::optional<Point> pointerLocation() { return onWayland() ? wayland::pointerLocation() : x11::pointerLocation(); }

std::optional<Event> createKeyboardEvent(std::uint16_t virtualKey, bool keyDown) {
    if (!hasConnection()) return std::nullopt;
    return KeyboardEvent{virtualKey, keyDown, {}};
}

void setUnicodeString(Event& event, std::u16string_view characters) {
    if (auto* key = std::get_if<KeyboardEvent>(&event)) key->characters = std::u16string(characters);
}

std::optional<Event> createScrollWheelEvent(std::int32_t wheel1) { return createScrollWheelEvent(wheel1, 0); }

std::optional<Event> createScrollWheelEvent(std::int32_t wheel1, std::int32_t wheel2) {
    if (!hasConnection()) return std::nullopt;
    return ScrollWheelEvent{wheel1, wheel2};
}

void postEvent(const Event& event) { onWayland() ? wayland::postEvent(event) : x11::postEvent(event); }

bool takeTypingTurn() { return onWayland() ? wayland::takeTypingTurn() : x11::takeTypingTurn(); }

std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>& clusters) {
    return onWayland() ? wayland::beginTyping(clusters) : x11::beginTyping(clusters);
}

std::optional<TypingFailure> endTyping() { return onWayland() ? wayland::endTyping() : x11::endTyping(); }

std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations) {
    return onWayland() ? wayland::beginKeyPresses(combinations) : x11::beginKeyPresses(combinations);
}

void postKeyCombination(const KeyCombination& combination) {
    onWayland() ? wayland::postKeyCombination(combination) : x11::postKeyCombination(combination);
}

std::optional<TypingFailure> endKeyPresses() { return onWayland() ? wayland::endKeyPresses() : x11::endKeyPresses(); }

}  // namespace platform
