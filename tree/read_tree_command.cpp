#include "tree/read_tree_command.h"

// Placeholder until the command is built.
CommandResult runReadTree(const Arguments&) { return errorExit("Not implemented"); }
