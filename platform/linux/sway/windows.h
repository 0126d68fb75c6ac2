#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/linux/sway/tree.h"
#include "platform/linux/sway/window_rules.h"

// The top-level windows of a sway session, asked over its IPC socket
// ($SWAYSOCK): where they are, which one has the keyboard, and the window
// manager's operations of platform/window_manager.h with the same meaning.
// Every call asks sway afresh; any failure (no socket, no answer in time,
// a malformed reply) gives nothing, false or an empty list.
namespace platform::sway {

// Whether SWAYSOCK is set and sway answers on it.
bool available();

// The windows in sway's tree, in tree order.
std::vector<Window> windows();

// The screen point the window coordinates of a top-level count from
// (see contentOriginAmong for the rule that picks the window).
std::optional<ContentOrigin> topLevelContentOrigin(std::int32_t pid, const std::string& title, std::int32_t width,
                                                   std::int32_t height);

// The client's window on the screen of that top-level (contentAmong).
std::optional<Rectangle> topLevelContent(std::int32_t pid, const std::string& title, std::int32_t width,
                                         std::int32_t height);

// Whether that window (windowNamed) is the focused one.
bool isWindowActive(std::int32_t pid, const std::string& title);

// Focuses that window (windowNamed) by its container id, which also shows
// its workspace, and waits a bounded time for sway to report it focused.
bool activateWindow(std::int32_t pid, const std::string& title);

// The process owning the topmost window at a screen point (ownerAmong).
std::optional<std::int32_t> windowOwnerAt(Point point);

}  // namespace platform::sway
