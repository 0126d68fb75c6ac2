#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The top-level windows in sway's layout tree (the reply to GET_TREE), in
// the compositor's own coordinates: the layout space of all outputs, which
// is the screen space of this system (origin at the top-left of the
// layout, y downwards).
namespace platform::sway {

struct Rectangle {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool contains(double pointX, double pointY) const;
    bool operator==(const Rectangle&) const = default;
};

// Which windows cover which: tiled windows never overlap each other,
// floating ones lie above the tiled ones of their workspace, a fullscreen
// window above everything on its output.
enum class Layer { Tiled, Floating, Fullscreen };

struct Window {
    std::int64_t id = 0;  // the container's id, for [con_id=...] criteria
    std::int32_t pid = 0;
    std::string title;
    // The Wayland app_id, or for an XWayland window its WM_CLASS class.
    std::string appId;
    bool xwayland = false;
    bool focused = false;
    // On a workspace shown on an output (and not hidden in a tab or stack).
    bool visible = false;
    Layer layer = Layer::Tiled;
    // Among windows of one layer, higher lies above lower: the order of
    // sway's floating list, where a raised window goes last.
    std::int32_t stackOrder = 0;
    // The container: the client with sway's border, below its title bar.
    Rectangle rect;
    // The client's window (its surface's window geometry) relative to
    // rect; its y is not the content's (see content()).
    Rectangle windowRect;
    // The height of the title bar sway draws above rect (0 without one, or
    // when it is a tab of the parent's tab bar).
    std::int32_t titleBar = 0;

    // The client's window on the screen. sway reports windowRect.y as the
    // border width whenever the border is "pixel", also when fullscreen
    // hides it, and 0 under a title bar; so the top is found from below:
    // the content ends above a bottom border as wide as the left one.
    Rectangle content() const;
    // What the window covers on the screen: rect with its title bar.
    Rectangle frame() const;
};

// The windows of a GET_TREE reply, in tree order; windows without a pid,
// a rectangle or a usable id are left out. Malformed input (not JSON, not
// an object, wrong types, nesting deeper than any real tree) gives what
// could be read, possibly nothing; it never throws.
std::vector<Window> parseTree(std::string_view reply);

}  // namespace platform::sway
