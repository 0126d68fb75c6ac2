#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

// key <combo> [<combo>...]: presses key combinations (Return, ctrl+l,
// ctrl+shift+Tab) in order; nothing is pressed when a name is no key.
CommandResult runKey(const Arguments& arguments);
