#pragma once

#include "response/arguments.h"
#include "response/command_result.h"

CommandResult runCheckPermission(const Arguments& arguments);
CommandResult runActivate(const Arguments& arguments);
