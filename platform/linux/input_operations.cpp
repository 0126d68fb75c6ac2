// The platform's input operations on the session's display server.
#include <variant>

#include "platform/events.h"
#include "platform/linux/display_server.h"
#include "platform/linux/mutter/platform.h"
#include "platform/linux/wayland/platform.h"
#include "platform/linux/x11/operations.h"

namespace platform {
namespace {

using display_server::Kind;

Kind server() { return display_server::kind(); }

// Each operation is handed to the session's display server: x11/, the
// wlroots protocols in wayland/, or GNOME's services in mutter/.
#define TAVIK_ON_SERVER(call) \
    (server() == Kind::gnome ? mutter::call : server() == Kind::wayland ? wayland::call : x11::call)

// Events are plain values until posted; they are made only while the
// session's display server can be reached (on GNOME, while a
// remote-desktop session is there).
bool hasConnection() {
    if (server() == Kind::gnome) return mutter::canPostInput();
    return server() == Kind::wayland ? wayland::hasConnection() : x11::hasConnection();
}

}  // namespace

bool canPostInput() { return TAVIK_ON_SERVER(canPostInput()); }

std::string inputRefusal() { return server() == Kind::gnome ? mutter::inputRefusal() : std::string(); }

std::optional<Event> createMouseEvent(MouseEventType type, Point position) {
    if (!hasConnection()) return std::nullopt;
    return MouseEvent{type, position};
}

void setClickState(Event& event, std::int64_t clickState) {
    if (auto* mouse = std::get_if<MouseEvent>(&event)) mouse->clickState = clickState;
}

std::optional<Point> pointerLocation() { return TAVIK_ON_SERVER(pointerLocation()); }

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

void postEvent(const Event& event) { TAVIK_ON_SERVER(postEvent(event)); }

bool takeTypingTurn() { return TAVIK_ON_SERVER(takeTypingTurn()); }

std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>& clusters) {
    return TAVIK_ON_SERVER(beginTyping(clusters));
}

std::optional<TypingFailure> endTyping() { return TAVIK_ON_SERVER(endTyping()); }

std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations) {
    return TAVIK_ON_SERVER(beginKeyPresses(combinations));
}

void postKeyCombination(const KeyCombination& combination) {
    TAVIK_ON_SERVER(postKeyCombination(combination));
}

std::optional<TypingFailure> endKeyPresses() { return TAVIK_ON_SERVER(endKeyPresses()); }

}  // namespace platform
