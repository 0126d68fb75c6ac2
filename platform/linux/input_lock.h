#pragma once

#include <string>
#include <string_view>

// Runs that type on one display take turns: each holds an exclusive
// flock on a file named after the display (an X display, or the socket
// of a Wayland compositor) while it posts keys, so the
// keys of two runs never mix and one run's focusing does not steal the
// other's keys. The kernel drops the lock when a run ends in any way,
// SIGKILL included, so a dead run never blocks the next one.
namespace platform {

// The lock file's name for a display name as Xlib reports it. The forms
// that reach the same local server (":0", ":0.1", "unix:0",
// "localhost:0") share a name; the screen number is dropped.
std::string inputLockFileName(std::string_view displayName);

// Where the lock file lives: in the user's runtime folder when
// XDG_RUNTIME_DIR is an absolute path to a directory of this user, else
// in /tmp with the user id in front of the name (a shared folder).
std::string inputLockPath(std::string_view displayName);

// Waits up to the given time for the display's lock; true once held.
// Holding it already counts as success, and so does a lock file that
// cannot be made at all (then runs do not take turns).
bool acquireInputLock(std::string_view displayName, unsigned timeoutMilliseconds);

// Gives the lock back (nothing when it is not held).
void releaseInputLock();

}  // namespace platform
