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
#include "platform/linux/monitor.h"

// The platform operations of input, displays and capture on a Wayland
// session, with the names and meaning of those in platform/events.h,
// platform/displays.h and platform/capture.h (which see), through the
// wlroots protocols: virtual pointer, virtual keyboard, screencopy, and
// xdg-output for the output layout.
namespace platform::wayland {

// WAYLAND_DISPLAY is set and a compositor answers on its socket.
bool sessionAvailable();

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


// The outputs with a place in the layout; the main one is the output at
// 0,0, else the first.
std::vector<Monitor> monitors();

std::optional<Image> captureScreenImage(Rect rect);
std::string captureFailureReason();

}  // namespace platform::wayland
