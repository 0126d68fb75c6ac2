#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

// click <pid> <path> [--window N]: presses the element through the
// accessibility service, or clicks its centre when it offers no press.
// click <pid> --role R --label L [--value V] [--nth K] [--window N]: the
// same on the one element the query finds (the answer adds its "path").
CommandResult runClick(const Arguments& arguments);

// type <pid> <path> <text> [--window N]: focuses the element and sets its
// value, or types the text as key events when the value cannot be set.
// type <pid> --role R --label L [--value V] [--nth K] [--window N] --text T:
// the same on the one element the query finds.
CommandResult runType(const Arguments& arguments);
