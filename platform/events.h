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

enum class MouseEventType { leftMouseDown = 1, leftMouseUp = 2 };

struct MouseEvent {
    MouseEventType type = MouseEventType::leftMouseDown;
    Point position;  // unrounded screen point
};

struct KeyboardEvent {
    std::uint16_t virtualKey = 0;
    bool keyDown = true;
    std::u16string characters;  // UTF-16 code units the event delivers
};

struct ScrollWheelEvent {
    std::int32_t wheel1 = 0;  // pixel units; positive scrolls up
};

using Event = std::variant<MouseEvent, KeyboardEvent, ScrollWheelEvent>;

// Whether there is an input stream to post to at all (a desktop session
// that accepts synthetic input); without one every post is lost.
bool canPostInput();

// A left-button event at a point, or nothing when it cannot be created.
std::optional<Event> createMouseEvent(MouseEventType type, Point position);

// A key event for a virtual key, or nothing when it cannot be created.
std::optional<Event> createKeyboardEvent(std::uint16_t virtualKey, bool keyDown);

// Makes a keyboard event deliver exactly these code units.
void setUnicodeString(Event& event, std::u16string_view characters);

// A one-wheel pixel-unit scroll event, or nothing when it cannot be created.
std::optional<Event> createScrollWheelEvent(std::int32_t wheel1);

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

}  // namespace platform
