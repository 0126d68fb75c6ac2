#include "tree/find_command.h"

// Placeholder until the command is built.
CommandResult runFind(const Arguments&) { return errorExit("Not implemented"); }
