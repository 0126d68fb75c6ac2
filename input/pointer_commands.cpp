#include "input/pointer_commands.h"

// Placeholder until the command is built.
CommandResult runClickXY(const Arguments&) { return errorExit("Not implemented"); }
CommandResult runScroll(const Arguments&) { return errorExit("Not implemented"); }
