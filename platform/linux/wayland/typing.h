#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"

// Typing and key combinations through this run's virtual keyboard
// (wayland_keyboard.h). Every keysym the announced clusters need gets a key
// of its own in the keyboard's keymap before the first key goes down; a
// text with more distinct characters than a keymap holds is typed in parts,
// each with its own keymap, switched between clusters (the compositor hands
// a new keymap to the clients ahead of the keys that follow it, so no key
// is read with the wrong map).
//
// Runs that type on one compositor take turns, from startTyping (or
// takeTurn) to finishTyping, through the input lock shared with X11, under
// a name made from the compositor's socket.
namespace platform::wayland {

// Waits for this run's turn to type on the compositor; false when another
// run kept it too long.
bool takeTurn();

// Starts typing these clusters (UTF-16 code units each): takes the turn and
// loads the keymap of the first part. A failure (no turn, no virtual
// keyboard) means nothing may be typed.
std::optional<TypingFailure> startTyping(const std::vector<std::u16string>& clusters);

// Types one cluster: a key press and release per code point (a CR LF pair
// is one Return), with Shift around capital letters. A cluster that was not
// announced gets a keymap on the spot.
void typeCluster(const std::u16string& units);

// The cluster's key-up event: its keys are done.
void clusterReleased(const std::u16string& units);

// Releases whatever is held and gives the turn back; noFreeKey when some
// character could not be typed.
std::optional<TypingFailure> finishTyping();

// Key combinations by keysym: all their keysyms go into one keymap before
// the first key goes down, so a failure (no turn, more keysyms than a
// keymap holds) means nothing was pressed. finishTyping ends them.
std::optional<TypingFailure> startKeyPresses(const std::vector<KeyCombination>& combinations);

// One combination: the held keys down in order (a modifier key also sets
// its modifier), the key (with Shift around it when its keysym is the
// shifted one and Shift is not held) down and up, the held keys up in
// reverse order.
void pressCombination(const KeyCombination& combination);

}  // namespace platform::wayland
