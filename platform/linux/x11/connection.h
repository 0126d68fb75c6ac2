#pragma once

// The one X connection of a run, shared by input, displays and capture.
// Only the files in platform/linux/x11/ include this; the Xlib headers
// themselves stay in the .cpp files because their macros clash with C++
// names.

// Xlib's own name for its connection type (Display is a typedef of it).
struct _XDisplay;

namespace platform::x11 {

// The connection, opened on first use with an error handler that swallows
// every X error (a failed request is seen by its caller, never printed);
// nothing when no X server can be reached. At exit, the registered
// cleanups run, the connection is synced (so posted events reach the
// server) and closed.
_XDisplay* connection();

// Runs once before the connection is synced and closed at exit (for
// example to restore a keyboard mapping). At most a few are registered.
void atDisconnect(void (*cleanup)());

// Waits until the server has taken in every request sent so far (when
// there is a connection).
void syncConnection();

}  // namespace platform::x11
