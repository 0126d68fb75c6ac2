#pragma once

#include <cstdint>
#include <string>

// Whether a window is the active one, as its toolkit tells the
// accessibility service (the ACTIVE state of a top-level window). For a
// display server that tells no client which window has the keyboard
// (GNOME's mutter), this is the only account of it; a toolkit sets the
// state when the compositor gives its window the keyboard focus.
namespace platform::atspi {

// The window of process pid titled title (the process's single window
// when none has that title) is marked active.
bool toolkitMarksActive(std::int32_t pid, const std::string& title);

}  // namespace platform::atspi
