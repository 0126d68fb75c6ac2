#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which X client window a top-level window of the accessibility service is,
// decided on the windows' properties alone.
namespace platform::x11 {

struct WindowBox {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const WindowBox&) const = default;
};

struct ClientWindow {
    std::optional<std::int32_t> pid;  // _NET_WM_PID
    std::string title;
    bool viewable = false;  // mapped, and every ancestor too
    WindowBox box;          // on the screen, without the window manager's frame
};

// The box of the client window of process pid titled title, when exactly
// one client window has that process and title and it is on view. Nothing
// when none has, or several have (which one the accessibility service
// means cannot be told, so none is guessed), or when the one is not on
// view (minimized, on another workspace).
std::optional<WindowBox> onlyWindowBox(const std::vector<ClientWindow>& windows, std::int32_t pid,
                                       const std::string& title);

}  // namespace platform::x11
