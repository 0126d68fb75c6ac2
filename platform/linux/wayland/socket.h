#pragma once

#include <optional>
#include <string>

// Where the compositor listens: WAYLAND_DISPLAY names a socket in the
// user's runtime folder, or is an absolute path of its own.
namespace platform::wayland {

// The socket's path for these values of WAYLAND_DISPLAY and
// XDG_RUNTIME_DIR (either may be null); nothing when WAYLAND_DISPLAY is
// unset or empty, a relative name has no absolute runtime folder, or the
// path does not fit a socket address.
std::optional<std::string> socketPath(const char* waylandDisplay, const char* runtimeDirectory);

// The name runs use for their typing turn on the compositor at this socket
// path: the socket's own name when it lies in the runtime folder (so
// "wayland-1" and its absolute form agree), else the whole path, with the
// characters an X display name gives meaning to (':' and '.') replaced.
std::string turnName(const std::string& path, const char* runtimeDirectory);

}  // namespace platform::wayland
