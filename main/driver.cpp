#include "main/driver.h"

#include <array>
#include <string_view>

#include "accessibility/list_windows_command.h"
#include "accessibility/permission_commands.h"
#include "capture/screenshot_command.h"
#include "input/element_commands.h"
#include "input/key_command.h"
#include "input/pointer_commands.h"
#include "navigation/navigate_command.h"
#include "tree/find_command.h"
#include "tree/read_tree_command.h"

namespace {

struct Command {
    std::string_view name;
    CommandResult (*run)(const Arguments&);
};

// Tested in this order; names match exactly and whole.
constexpr std::array<Command, 15> commandTable{{
    {"check-permission", runCheckPermission},
    {"list-windows", runListWindows},
    {"activate", runActivate},
    {"read-tree", runReadTree},
    {"find", runFind},
    {"click", runClick},
    {"click-xy", runClickXY},
    {"type", runType},
    {"scroll", runScroll},
    {"navigate", runNavigate},
    {"screenshot", runScreenshot},
    {"key", runKey},
    {"move-xy", runMoveXY},
    {"drag-xy", runDragXY},
    {"pointer", runPointer},
}};

}  // namespace

CommandResult runDriver(const Arguments& arguments) {
    if (arguments.size() < 2) return errorExit("Usage: tavik-ax <command> [options]");
    const std::string_view name = arguments[1];
    for (const Command& command : commandTable)
        if (command.name == name) return command.run(arguments);
    // The list names the eleven first commands only, as it always has:
    // callers match this message.
    std::string message = "Unknown command: ";
    message += name;
    message +=
        ". Available: check-permission, list-windows, activate, read-tree, find, click, click-xy, type, scroll, "
        "navigate, screenshot";
    return errorExit(message);
}
