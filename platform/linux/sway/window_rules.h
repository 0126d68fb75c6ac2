#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/linux/sway/tree.h"

// Which of sway's windows a request means, decided on a parsed tree alone.
namespace platform::sway {

struct ContentOrigin {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// The client's window (Window::content) of the top-level titled title of
// process pid, the window being width x height as the accessibility
// service reports it; the rule below tells which.
std::optional<Rectangle> contentAmong(const std::vector<Window>& windows, std::int32_t pid, const std::string& title,
                                      std::int32_t width, std::int32_t height);

// The screen point that the window coordinates of the top-level titled
// title of process pid count from, the window being width x height as the
// accessibility service reports it. Toolkits on Wayland count from the top
// left of their surface: the window geometry sway places (content()), or,
// when the reported window is larger than that geometry, the geometry
// with the margin the client draws around it (GTK 3's shadow around a
// floating window that draws its own title bar). sway does not say where
// the geometry lies in the surface: the margin is taken as even on both
// sides, which is exact across but puts GTK 3's elements 3 pixels too high
// (its shadow is 23 pixels deep above the window, 29 below); a caller that
// knows the margin takes contentAmong instead.
//
// Which window: those of process pid titled exactly title. One of them is
// the answer. Among several, the one whose window geometry has exactly
// the reported size, else the one that is smaller than the reported size
// in neither direction (a drawn margin around it); when that leaves none
// or more than one (two same-titled windows of one size), nothing: the
// order of the two lists does not match, so no window is guessed.
std::optional<ContentOrigin> contentOriginAmong(const std::vector<Window>& windows, std::int32_t pid,
                                                const std::string& title, std::int32_t width, std::int32_t height);

// The window of process pid titled title (when several are, the focused
// one, else the first in tree order), else the process's only window;
// nothing otherwise.
std::optional<Window> windowNamed(const std::vector<Window>& windows, std::int32_t pid, const std::string& title);

// The process whose window is topmost at a screen point: fullscreen above
// floating above tiled, and among floating windows the later in sway's
// list. Nothing when no visible window is there, or when the point is on
// the topmost window's border or title bar (sway's, not the client's).
std::optional<std::int32_t> ownerAmong(const std::vector<Window>& windows, Point point);

}  // namespace platform::sway
