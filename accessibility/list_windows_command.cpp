#include "accessibility/list_windows_command.h"

// Placeholder until the command is built.
CommandResult runListWindows(const Arguments&) { return errorExit("Not implemented"); }
