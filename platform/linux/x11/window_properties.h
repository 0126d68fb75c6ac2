#pragma once

// Reading top-level windows' properties: the window manager's client
// list, a window's title and process. Only the files in
// platform/linux/x11/ include this.

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::x11 {

// The 32-bit items of a window property of the given type, at most limit.
std::vector<unsigned long> cardinalProperty(Display* display, Window window, const char* name, Atom type, long limit);

// Whether the window has the property, of any type.
bool hasProperty(Display* display, Window window, const char* name);

// The window's title (_NET_WM_NAME, else WM_NAME), or "".
std::string windowTitle(Display* display, Window window);

// The process the window says it belongs to (_NET_WM_PID).
std::optional<std::int32_t> windowPid(Display* display, Window window);

// The client windows: the window manager's list, or without one the
// children of the root and their children.
std::vector<Window> clientWindows(Display* display, Window root);

}  // namespace platform::x11
