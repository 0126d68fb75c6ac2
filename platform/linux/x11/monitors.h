#pragma once

#include <vector>

#include "platform/linux/monitor.h"

// The monitors of the X screen, read once per run so that identifiers,
// bounds and the main display stay consistent between calls.
namespace platform::x11 {

// The active monitors (XRandR) in the server's order; the whole root
// window as one monitor when the server lists none; empty without an X
// connection.
const std::vector<Monitor>& monitors();

}  // namespace platform::x11
