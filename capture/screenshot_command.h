#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

// screenshot [pid] [--window N]: captures the whole virtual screen, or the
// screen area of one window of the application pid, into a PNG file and
// answers with its path, scope and rectangle.
CommandResult runScreenshot(const Arguments& arguments);
