#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/capture.h"
#include "platform/events.h"
#include "platform/geometry.h"
#include "platform/linux/monitor.h"

// The platform operations of input, displays and capture on a GNOME
// session, with the names and meaning of those in platform/events.h,
// platform/displays.h and platform/capture.h (which see), through mutter's
// own services on the session bus: RemoteDesktop for input, ScreenCast
// with PipeWire for pictures, DisplayConfig for the monitors.
namespace platform::mutter {

// The session bus has mutter's remote-desktop service.
bool serviceAvailable();

bool canPostInput();
// Why input cannot be posted (what GNOME refused); empty when it can.
std::string inputRefusal();
std::optional<Point> pointerLocation();
void postEvent(const Event& event);
bool takeTypingTurn();
std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>& clusters);
std::optional<TypingFailure> endTyping();
std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations);
void postKeyCombination(const KeyCombination& combination);
std::optional<TypingFailure> endKeyPresses();

// The logical monitors; the main one is mutter's primary monitor.
std::vector<Monitor> monitors();

std::optional<Image> captureScreenImage(Rect rect);
std::string captureFailureReason();

}  // namespace platform::mutter
