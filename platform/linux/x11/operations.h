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

// Whether the display server could be reached (events can be made).
bool hasConnection();
bool canPostInput();
std::optional<Point> pointerLocation();
void postEvent(const Event& event);
bool takeTypingTurn();
std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>& clusters);
std::optional<TypingFailure> endTyping();
std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations);
void postKeyCombination(const KeyCombination& combination);
std::optional<TypingFailure> endKeyPresses();


std::optional<Image> captureScreenImage(Rect rect);
std::string captureFailureReason();

bool isWindowActive(std::int32_t pid, const std::string& title);
bool activateWindow(std::int32_t pid, const std::string& title);
std::optional<std::int32_t> windowOwnerAt(Point point);

}  // namespace platform::x11
