#pragma once

// What the accessibility reader (atspi/) needs from the display server:
// where a top-level window's content sits on the screen, and the
// accessibility bus address the display publishes. atspi/ asks here and
// never includes from x11/, wayland/, sway/ or mutter/. The display server
// is chosen once per run: a Wayland compositor when WAYLAND_DISPLAY names
// one that answers (GNOME's mutter when it offers no wlroots virtual
// pointer and the session bus has mutter's remote-desktop service, else a
// wlroots compositor), else the X server of DISPLAY.

#include <cstdint>
#include <optional>
#include <string>

namespace platform::display_server {

enum class Kind { x11, wayland, gnome };

// The session's display server, decided on first use.
Kind kind();

struct ContentOrigin {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Where the element coordinates a toolkit reports for the top-level window
// of process pid titled title (its content width x height) count from on
// the screen: 0,0 for screen coordinates; the window content's screen
// position for coordinates relative to the window. windowRelative says
// whether the toolkit is known to report relative to its window on X11
// (GTK 4); on Wayland every native client does, since no client knows
// where its window is, and only XWayland clients report screen
// coordinates. Nothing when the window cannot be found or the display
// server does not tell where windows are: then positions are left out.
std::optional<ContentOrigin> coordinateOrigin(std::int32_t pid, const std::string& title, std::int32_t width,
                                              std::int32_t height, bool windowRelative);

struct WindowRectangle {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Where the display server has the top-level window of process pid titled
// title, for a toolkit that reports no place for its window: on X11 (and
// GNOME's XWayland) the client window without the window manager's frame,
// as the X server has it; on sway the client's window as sway's IPC has
// it. Nothing when no window, or more than one, has that process and title
// (none is guessed), when it is not on view, or when the display server
// does not tell where windows are (native clients on GNOME).
std::optional<WindowRectangle> topLevelRectangle(std::int32_t pid, const std::string& title);

// Whether process pid shows a top-level window titled title.
bool showsTopLevel(std::int32_t pid, const std::string& title);

// The accessibility bus's address as the display publishes it for
// sessions without a session bus (on X11 the root window's AT_SPI_BUS
// property); nothing when there is none or no display can be reached.
std::optional<std::string> publishedBusAddress();

}  // namespace platform::display_server
