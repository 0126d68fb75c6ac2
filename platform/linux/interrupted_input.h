#pragma once

// Undoing input when a run is stopped by a signal, for either display
// server. SIGTERM, SIGINT, SIGQUIT and SIGHUP that arrive while posted
// input is outstanding (a remapped key, a held button or key, modifiers
// set) are not obeyed at once: the handler only notes the signal, since
// Xlib and libwayland calls are not safe inside a handler (one may be half
// done on this very connection). The input code checks at its safe points
// (between keys, after its pauses), undoes what it changed, has the
// display server take that in, and then ends the process by the same
// signal with its default action, as if it had not been caught. With
// nothing outstanding a signal acts at once. The pauses are at most a few
// tenths of a second, so a stop is prompt.
namespace platform::interrupted_input {

// Installs the handlers (once; a signal the caller set to be ignored
// stays ignored). flush makes the display server take in what the undoing
// sent, before the process ends.
void catchInterrupts(void (*flush)());

// Input that must be undone is outstanding from begin to end (counted,
// so a key map and a button may overlap). When the count drops to zero
// after a signal came, the run ends there by that signal.
void beginOutstanding();
void endOutstanding();

// Runs once when an interrupted run undoes its input, before it ends (at
// most a few are registered).
void onInterrupt(void (*undo)());

// A safe point: when a signal came, undoes the outstanding input and ends
// the process by that signal; otherwise returns at once.
void honourInterrupt();

}  // namespace platform::interrupted_input
