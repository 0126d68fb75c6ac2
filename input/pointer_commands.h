#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

// click-xy <x> <y>: one left click at a screen point, reported truncated.
CommandResult runClickXY(const Arguments& arguments);

// scroll <amount>: one vertical scroll; an unusable amount scrolls by -3.
CommandResult runScroll(const Arguments& arguments);
