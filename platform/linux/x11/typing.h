#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"

// Unicode typing on X11. A code point the keyboard layout holds (Return,
// Tab, ASCII, whatever else the layout has) is typed on its own key, with
// Shift pressed around it when its level needs it. The layout has no key
// for most other characters: those are typed through a spare keycode (one
// with no keysym) temporarily mapped to the code point's keysym.
//
// Applications read a changed key mapping lazily, when they translate a
// key event: a keycode must keep its keysym until the application has
// read every key sent with it, and a new mapping should be in place well
// before the key that needs it. So each cluster's keycodes are mapped
// ahead (during the pauses after earlier clusters), the keycodes are
// rotated over the pool, and a keycode used by one of the two clusters
// sent last is never remapped. The original mapping is restored when
// typing ends (and at exit or on a stop signal, should a run end in
// between; after SIGKILL, by the next run).
//
// Runs that type on one display take turns (input_lock.h), from
// startTyping (or takeTypingTurn) to finishTyping.
namespace platform::x11 {

// Waits for this run's turn to type on the display; false when another
// run kept it too long.
bool takeTypingTurn();

// Starts a typing run for these clusters (UTF-16 code units each): takes
// the turn, puts back keys a killed run left remapped, and maps the first
// clusters' keycodes. A failure (no turn, or a character the layout lacks
// with no spare keycode to type it) means nothing may be typed.
std::optional<TypingFailure> startTyping(const std::vector<std::u16string>& clusters);

// Types one cluster: a key press and release per code point (a CR LF
// pair is one Return). A cluster
// that was announced by startTyping uses its prepared keycodes; any other
// is mapped on the spot.
void typeCluster(const std::u16string& units);

// The cluster's keys are done (its key-up event): maps the next clusters.
void clusterReleased(const std::u16string& units);

// Restores the original key mapping and gives the turn back; noFreeKey
// when some character could not be typed.
std::optional<TypingFailure> finishTyping();

// Key combinations by keysym use the same turn and spare keycodes: every
// keysym of every combination that the layout lacks gets its spare keycode
// before the first key goes down, so a failure (no turn, too few spare
// keycodes) means nothing was pressed. finishTyping ends them.
std::optional<TypingFailure> startKeyPresses(const std::vector<KeyCombination>& combinations);

// One combination, its key events in one flush: the held keys down in
// order, the key (with Shift around it when its level needs it) down and
// up, the held keys up in reverse order.
void pressCombination(const KeyCombination& combination);

}  // namespace platform::x11
