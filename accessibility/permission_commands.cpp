#include "accessibility/permission_commands.h"

// Placeholder until the command is built.
CommandResult runCheckPermission(const Arguments&) { return errorExit("Not implemented"); }
CommandResult runActivate(const Arguments&) { return errorExit("Not implemented"); }
