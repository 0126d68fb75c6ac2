#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

// navigate <pid> <url>: opens url in the application that owns pid. Ends
// with status 1 whenever the printed answer is an error document.
CommandResult runNavigate(const Arguments& arguments);
