#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

// click-xy <x> <y> [--button left|right|middle] [--count 1|2|3]: a click
// at a screen point, reported truncated.
CommandResult runClickXY(const Arguments& arguments);

// move-xy <x> <y>: moves the pointer only.
CommandResult runMoveXY(const Arguments& arguments);

// drag-xy <x1> <y1> <x2> <y2>: a left-button drag from one point to another.
CommandResult runDragXY(const Arguments& arguments);

// pointer: where the pointer is.
CommandResult runPointer(const Arguments& arguments);

// scroll <amount> [--horizontal] [--at <x> <y>]: one scroll at the pointer
// (moved to the point first); an unusable amount scrolls by -3.
CommandResult runScroll(const Arguments& arguments);
