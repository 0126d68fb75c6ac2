#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"

// The keymap of this run's virtual keyboard, made for the keys it is about
// to press. Each keysym gets a key of its own; a letter that has a case
// partner shares its key with it ([a, A]: the capital letter is typed with
// Shift, so ctrl+A is ctrl+shift+a, as on a real keyboard). The modifier keys
// Shift_L, Control_L, Alt_L and Super_L are always there, each setting its
// real modifier (Shift, Control, Mod1, Mod4), and so is any other modifier
// keysym a combination holds.
namespace platform::wayland {

// A key of the keymap: its XKB keycode (the evdev code plus 8) and whether
// Shift must be held to get the keysym.
struct KeyStroke {
    std::uint32_t keycode = 0;
    bool shift = false;
    bool operator==(const KeyStroke&) const = default;
};

// Real modifier masks, by XKB's fixed modifier indices.
constexpr std::uint32_t shiftMask = 1U << 0;
constexpr std::uint32_t controlMask = 1U << 2;
constexpr std::uint32_t mod1Mask = 1U << 3;
constexpr std::uint32_t mod4Mask = 1U << 6;

// The real modifier a modifier keysym sets (Shift_L/R, Control_L/R,
// Alt_L/R and Meta_L/R on Mod1, Super_L/R and Hyper_L/R on Mod4); 0 for
// any other keysym.
std::uint32_t modifierMaskOf(KeySymbol keysym);

// The keysym that types a code point: the control characters have their
// function keys (a line feed is Return), everything else the keysym XKB
// gives the character (its Unicode keysym where it has no named one).
KeySymbol keysymOf(char32_t codePoint);

// The keysyms of a cluster of UTF-16 code units, in order. A CR LF pair is
// one Return; an unpaired surrogate types U+FFFD.
std::vector<KeySymbol> keysymsOf(const std::u16string& units);

class Keymap {
public:
    // XKB keycodes 9 to 254: clients that hand keys on to X (Xwayland)
    // read no keycode above 255, 8 is left alone as on X11, and 255 is
    // declared without a key as the keymap's highest keycode, which GTK 3
    // never looks at: its search for the keys of a keysym (on which its key
    // bindings such as Home, BackSpace and ctrl+a rely) stops before the
    // highest keycode.
    static constexpr std::uint32_t firstKeycode = 9;
    static constexpr std::uint32_t lastKeycode = 254;
    static constexpr std::uint32_t maximumKeycode = 255;

    // A keymap with the four modifier keys.
    Keymap();

    // Gives each keysym a key unless it has one; false (and the keymap as
    // it was) when they do not all fit.
    bool add(const std::vector<KeySymbol>& keysyms);

    // The key that gives the keysym; nothing when it has none.
    std::optional<KeyStroke> stroke(KeySymbol keysym) const;

    // The keycode of Shift_L.
    std::uint32_t shiftKeycode() const { return firstKeycode; }

    // The keymap in the XKB text format, as the virtual keyboard uploads it.
    std::string text() const;

    bool operator==(const Keymap&) const = default;

private:
    struct Key {
        KeySymbol base = 0;
        KeySymbol shifted = 0;  // 0: a key of one level
        bool operator==(const Key&) const = default;
    };
    static Key keyFor(KeySymbol keysym);
    bool holds(KeySymbol keysym) const;

    std::vector<Key> keys_;  // keys_[i] has keycode firstKeycode + i
};

// Whether the text compiles as a keymap with libxkbcommon (as the
// compositor compiles it: one that does not makes the compositor end the
// connection).
bool keymapCompiles(const std::string& text);

}  // namespace platform::wayland
