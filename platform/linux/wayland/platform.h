#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/capture.h"
#include "platform/displays.h"
#include "platform/events.h"
#include "platform/geometry.h"

// The platform operations of input, displays and capture on a Wayland
// session, with the names and meaning of those in platform/events.h,
// platform/displays.h and platform/capture.h (which see), through the
// wlroots protocols: virtual pointer, virtual keyboard, screencopy, and
// xdg-output for the output layout.
namespace platform::wayland {

// WAYLAND_DISPLAY is set and a compositor answers on its socket.
bool sessionAvailable();

bool canPostInput();
std::optional<Event> createMouseEvent(MouseEventType type, Point position);
void setClickState(Event& event, std::int64_t clickState);
std::optional<Point> pointerLocation();
std::optional<Event> createKeyboardEvent(std::uint16_t virtualKey, bool keyDown);
void setUnicodeString(Event& event, std::u16string_view characters);
std::optional<Event> createScrollWheelEvent(std::int32_t wheel1);
std::optional<Event> createScrollWheelEvent(std::int32_t wheel1, std::int32_t wheel2);
void postEvent(const Event& event);
bool takeTypingTurn();
std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>& clusters);
std::optional<TypingFailure> endTyping();
std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations);
void postKeyCombination(const KeyCombination& combination);
std::optional<TypingFailure> endKeyPresses();

std::uint32_t activeDisplayCount();
std::vector<DisplayId> activeDisplayList(std::uint32_t capacity);
Rect displayBounds(DisplayId display);
DisplayId mainDisplayId();

std::optional<Image> captureScreenImage(Rect rect);
std::string captureFailureReason();

}  // namespace platform::wayland
