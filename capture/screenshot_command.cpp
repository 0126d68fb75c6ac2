#include "capture/screenshot_command.h"

// Placeholder until the command is built.
CommandResult runScreenshot(const Arguments&) { return errorExit("Not implemented"); }
