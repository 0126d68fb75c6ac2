#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

CommandResult runClickXY(const Arguments& arguments);
CommandResult runScroll(const Arguments& arguments);
