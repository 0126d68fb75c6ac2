#pragma once

#include <cstdint>

#include "platform/events.h"

// Mouse buttons as the Linux input layer names them, shared by the
// display servers that take evdev codes (wlroots' virtual pointer, mutter's
// remote desktop) and by X11 (which numbers buttons itself).
namespace platform {

// The evdev button of a press or release; 0 for a move. A toolkit counts
// a double or triple click itself from presses at one place within its
// double-click time, so the click state needs no event field.
std::uint32_t evdevButtonOf(MouseEventType type);

bool isButtonPress(MouseEventType type);

}  // namespace platform
