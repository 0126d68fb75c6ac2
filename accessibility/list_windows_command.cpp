#include "accessibility/list_windows_command.h"

#include "accessibility/window_list.h"

CommandResult runListWindows(const Arguments&) { return completed(jsonArray(listWindows())); }
