#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

CommandResult runClick(const Arguments& arguments);
CommandResult runType(const Arguments& arguments);
