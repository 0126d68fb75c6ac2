#pragma once

// Undoing input when a run is stopped by a signal, on a Wayland session.
// SIGTERM, SIGINT, SIGQUIT and SIGHUP that arrive while posted input is
// outstanding (a held button or key, modifiers set) are not obeyed at once:
// the handler only notes the signal, since libwayland calls are not safe
// inside a handler (one may be half done on this very connection). The
// input code checks at its safe points (between keys, after its pauses),
// undoes what it holds, waits until the compositor has handled that, and
// then ends the process by the same signal with its default action, as if
// it had not been caught. With nothing outstanding a signal acts at once.
//
// The X11 backend has the same mechanism with an X sync at its end; a run
// uses one backend, so only one of the two installs its handlers.
namespace platform::wayland {

// Installs the handlers (once; a signal the caller set to be ignored
// stays ignored).
void catchInterrupts();

// Input that must be undone is outstanding from begin to end (counted, so
// a held key and a held button may overlap). When the count drops to zero
// after a signal came, the run ends there by that signal.
void beginOutstanding();
void endOutstanding();

// Runs once when an interrupted run undoes its input, before it ends (at
// most a few are registered).
void onInterrupt(void (*undo)());

// A safe point: when a signal came, undoes the outstanding input and ends
// the process by that signal; otherwise returns at once.
void honourInterrupt();

}  // namespace platform::wayland
