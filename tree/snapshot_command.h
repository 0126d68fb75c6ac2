#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

CommandResult runSnapshot(const Arguments& arguments);
