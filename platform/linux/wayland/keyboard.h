#pragma once

#include <cstdint>

#include "platform/linux/wayland/keymap.h"

// This run's virtual keyboard: a keyboard device of its own on the seat,
// with a keymap this run uploads.
//
// What the compositor does with it (wlroots, sway): when the virtual
// keyboard sends a key or a modifier state, the seat makes it the active
// keyboard and sends its keymap (and modifiers) to the clients before the
// key, so the focused application reads this run's keys with this run's
// keymap. The user's own keyboards and their layouts are not touched: the
// next key typed on a real keyboard makes that keyboard active again and
// its keymap goes back to the clients first. So nothing needs restoring
// when typing ends; only keys and modifiers this run holds are released.
// wlroots takes the modifiers of a virtual keyboard from its modifiers
// requests alone (its keys do not change them), so every modifier held is
// sent as a modifier state too.
namespace platform::wayland {

// Makes the keymap the keyboard's (creating the keyboard on first use);
// true when it is in place. When the keymap changed, the keyboard is made
// the seat's active one, which hands the keymap to the clients. False when
// the compositor has no virtual keyboards or does not answer.
bool useKeymap(const Keymap& keymap);

// The keymap in use (valid after useKeymap succeeded).
const Keymap& currentKeymap();

// A key of the keymap goes down or up.
void sendKey(std::uint32_t keycode, bool down);

// The modifiers held (a real-modifier mask: shiftMask, controlMask, ...).
void sendModifiers(std::uint32_t depressed);

// Waits until the compositor has handled the keys sent so far.
void flushKeys();

// Releases every key this run holds and clears its modifiers.
void releaseKeys();

// On a seat that had no keyboard when the run began (a headless
// compositor), adds this run's keyboard to it at once, before any key is
// typed: until a seat has a keyboard, no client holds the keyboard focus,
// so GTK and Qt mark no window active and no element focused, and a run
// that waits for its target's focus before typing would wait in vain. The
// compositor hands the focused window the keyboard focus meanwhile.
void joinKeyboardlessSeat();

}  // namespace platform::wayland
