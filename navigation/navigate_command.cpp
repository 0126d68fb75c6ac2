#include "navigation/navigate_command.h"

// Placeholder until the command is built.
CommandResult runNavigate(const Arguments&) { return errorExit("Not implemented"); }
