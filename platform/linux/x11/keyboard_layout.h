#pragma once

#include <optional>
#include <unordered_map>

// Xlib's own name for its connection type (Display is a typedef of it).
struct _XDisplay;

// Which keys of the current keyboard layout type which keysyms. Typing a
// keysym the layout holds on its own key (Return, Tab, ASCII, an é on a
// layout with it) needs no change of the key mapping, which applications
// read lazily and sometimes late.
namespace platform::x11 {

// A key of the layout and whether Shift must be pressed with it.
struct LayoutKey {
    unsigned char keycode = 0;
    bool shift = false;
};

// The modifier and group state keys are translated in.
struct KeyboardState {
    unsigned modifiers = 0;
    unsigned group = 0;
    bool operator==(const KeyboardState&) const = default;
};

// The current modifier and group state; nothing when XKB does not answer.
std::optional<KeyboardState> currentKeyboardState(_XDisplay* display);

class KeyboardLayout {
public:
    // Reads the layout (through XKB, so Caps Lock, groups and key types
    // count) for the current state; empty when XKB does not answer.
    static KeyboardLayout read(_XDisplay* display);

    // The key that types this keysym in the state the layout was read in,
    // with Shift added when the state lacks it; an unshifted key first.
    std::optional<LayoutKey> find(unsigned long keysym) const;

    // The state the keys were worked out for.
    const std::optional<KeyboardState>& state() const { return state_; }

    // A key that adds Shift (0 when there is none: then no key needs it).
    unsigned char shiftKeycode() const { return shiftKeycode_; }

private:
    std::optional<KeyboardState> state_;
    unsigned char shiftKeycode_ = 0;
    std::unordered_map<unsigned long, LayoutKey> keys_;
};

}  // namespace platform::x11
