#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/geometry.h"

// Synthetic input. An event is created, optionally given its characters,
// posted at most once, and dropped; creation may yield no event.
namespace platform {

// Numbered as the macOS event types. "other" is the middle button; a
// dragged event is a move with the left button held.
enum class MouseEventType {
    leftMouseDown = 1,
    leftMouseUp = 2,
    rightMouseDown = 3,
    rightMouseUp = 4,
    mouseMoved = 5,
    leftMouseDragged = 6,
    otherMouseDown = 25,
    otherMouseUp = 26,
};

struct MouseEvent {
    MouseEventType type = MouseEventType::leftMouseDown;
    Point position;  // unrounded screen point
    // Which click of a double or triple click a button event belongs to
    // (1, 2 or 3). A platform whose toolkits count clicks by their timing
    // and place (X11) ignores it.
    std::int64_t clickState = 1;
};

struct KeyboardEvent {
    std::uint16_t virtualKey = 0;
    bool keyDown = true;
    std::u16string characters;  // UTF-16 code units the event delivers
};

struct ScrollWheelEvent {
    std::int32_t wheel1 = 0;  // pixel units; positive scrolls up
    std::int32_t wheel2 = 0;  // pixel units; positive scrolls left
};

using Event = std::variant<MouseEvent, KeyboardEvent, ScrollWheelEvent>;

// Whether there is an input stream to post to at all (a desktop session
// that accepts synthetic input); without one every post is lost.
bool canPostInput();

// What the session refused when input cannot be posted although there is
// a display (a compositor service that said no), in words for the caller;
// empty otherwise.
std::string inputRefusal();

// A mouse event at a point, or nothing when it cannot be created.
std::optional<Event> createMouseEvent(MouseEventType type, Point position);

// Marks a button event as click 1, 2 or 3 of a multiple click.
void setClickState(Event& event, std::int64_t clickState);

// Where the pointer is; nothing when that cannot be read.
std::optional<Point> pointerLocation();

// A key event for a virtual key, or nothing when it cannot be created.
std::optional<Event> createKeyboardEvent(std::uint16_t virtualKey, bool keyDown);

// Makes a keyboard event deliver exactly these code units.
void setUnicodeString(Event& event, std::u16string_view characters);

// A one-wheel pixel-unit scroll event, or nothing when it cannot be created.
std::optional<Event> createScrollWheelEvent(std::int32_t wheel1);

// A two-wheel pixel-unit scroll event (wheel 2 scrolls sideways).
std::optional<Event> createScrollWheelEvent(std::int32_t wheel1, std::int32_t wheel2);

// Puts the event into the system's input stream; nothing is reported.
void postEvent(const Event& event);

// Why keys could not be typed: another run kept the display's keyboard
// too long, or a character has no key and none could be made for it.
enum class TypingFailure { displayBusy, noFreeKey };

// Waits for this run's turn at the keyboard: runs that type on one
// display take turns, so their keys never mix. The turn lasts until
// endTyping or the end of the run; taking it before focusing the target
// keeps another run from moving the focus meanwhile.
bool takeTypingTurn();

// Announces the clusters about to be typed (as their UTF-16 code units),
// so a backend that must prepare keyboard mappings can do so ahead of
// each key; endTyping undoes whatever it changed. Calls of postEvent for
// the clusters' key events come in between, in order. beginTyping takes
// the turn when it is not held; when it fails nothing may be typed (and
// endTyping is not called). endTyping tells whether a character had to be
// left out.
std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>& clusters);
std::optional<TypingFailure> endTyping();

// A key named by its X keysym number, the numbering of keys and characters
// the tool uses on every platform (0xff0d Return, 0xffe3 Control_L, 0x61
// a, 0x41 A). The core accepts only names of its own key vocabulary, so a
// backend maps a fixed set of keysyms.
using KeySymbol = std::uint32_t;

// The keys of held go down in order, key is pressed and released, then
// the held keys come up in reverse order. A key whose character needs
// Shift on the keyboard (A, ?) gets Shift added around it.
struct KeyCombination {
    std::vector<KeySymbol> held;
    KeySymbol key = 0;
};

// Prepares the combinations about to be pressed, in order: takes the
// typing turn and makes keys for keysyms the keyboard lacks. When it fails
// nothing may be pressed (and endKeyPresses is not called). Calls of
// postKeyCombination for the combinations come in between; endKeyPresses
// undoes whatever beginKeyPresses changed and gives the turn back.
std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations);
void postKeyCombination(const KeyCombination& combination);
std::optional<TypingFailure> endKeyPresses();

}  // namespace platform
