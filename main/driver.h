#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

// Runs the one command the arguments name and returns its document and
// exit status.
CommandResult runDriver(const Arguments& arguments);
