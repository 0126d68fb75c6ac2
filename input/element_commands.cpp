#include "input/element_commands.h"

// Placeholder until the command is built.
CommandResult runClick(const Arguments&) { return errorExit("Not implemented"); }
CommandResult runType(const Arguments&) { return errorExit("Not implemented"); }
