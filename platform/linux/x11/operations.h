#pragma once

// The platform's input, display, capture and window-manager operations as
// an X server answers them, each with the meaning of the platform
// operation of the same name; the backend calls them on an X11 session.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/capture.h"
#include "platform/displays.h"
#include "platform/events.h"

namespace platform::x11 {

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

bool isWindowActive(std::int32_t pid, const std::string& title);
bool activateWindow(std::int32_t pid, const std::string& title);
std::optional<std::int32_t> windowOwnerAt(Point point);

}  // namespace platform::x11
