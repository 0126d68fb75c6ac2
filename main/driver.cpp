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
#include "tree/snapshot_command.h"

// The project's version, from project() in CMakeLists.txt.
#ifndef TAVIK_VERSION
#error "TAVIK_VERSION is defined by the build (the project version in CMakeLists.txt)"
#endif

namespace {

struct Command {
    std::string_view name;
    // What --help shows after the name, as the README's command reference
    // writes it.
    std::string_view operands;
    CommandResult (*run)(const Arguments&);
    // A second form of the operands, shown on a line of its own.
    std::string_view otherOperands = {};
};

// Tested in this order; names match exactly and whole.
constexpr std::array<Command, 16> commandTable{{
    {"check-permission", "", runCheckPermission},
    {"list-windows", "", runListWindows},
    {"activate", "<pid>", runActivate},
    {"read-tree", "<pid> [maxDepth] [windowIndex]", runReadTree},
    {"find", "<pid> [--role X] [--label X] [--value X] [--window N] [--depth N] [--wait MS]", runFind},
    {"click", "<pid> <path> [--window N]", runClick,
     "<pid> [--role R] [--label L] [--value V] [--nth K] [--depth D] [--window N]"},
    {"click-xy", "<x> <y> [--button left|right|middle] [--count 1|2|3]", runClickXY},
    {"type", "<pid> <path> <text> [--window N]", runType,
     "<pid> [--role R] [--label L] [--value V] [--nth K] [--depth D] [--window N] --text T"},
    {"scroll", "<amount> [--horizontal] [--at <x> <y>]", runScroll},
    {"navigate", "<pid> <url>", runNavigate},
    {"screenshot", "[pid] [--window N]", runScreenshot},
    {"key", "<combo> [<combo>...]", runKey},
    {"move-xy", "<x> <y>", runMoveXY},
    {"drag-xy", "<x1> <y1> <x2> <y2>", runDragXY},
    {"pointer", "", runPointer},
    {"snapshot", "<pid> [--window N] [--depth N] [--all]", runSnapshot},
}};

// The two options the program answers itself; no command starts with "-".
constexpr std::string_view versionOption = "--version";
constexpr std::string_view helpOption = "--help";

CommandResult version() {
    JsonObject document;
    document.set("version", TAVIK_VERSION);
    return completed(json(document));
}

// {"usage":[...]}: one line per command and form with its operands, then
// the two options.
CommandResult help() {
    JsonArray lines;
    auto addLine = [&](std::string_view name, std::string_view operands) {
        std::string line = "tavik-ax ";
        line += name;
        if (!operands.empty()) {
            line += ' ';
            line += operands;
        }
        lines.emplace_back(std::move(line));
    };
    for (const Command& command : commandTable) {
        addLine(command.name, command.operands);
        if (!command.otherOperands.empty()) addLine(command.name, command.otherOperands);
    }
    for (std::string_view option : {versionOption, helpOption}) lines.emplace_back("tavik-ax " + std::string(option));
    JsonObject document;
    document.set("usage", std::move(lines));
    return completed(json(document));
}

}  // namespace

CommandResult runDriver(const Arguments& arguments) {
    if (arguments.size() < 2) return errorExit("Usage: tavik-ax <command> [options]");
    const std::string_view name = arguments[1];
    for (const Command& command : commandTable)
        if (command.name == name) return command.run(arguments);
    if (name == versionOption) return version();
    if (name == helpOption) return help();
    // The list names the eleven first commands only, as it always has:
    // callers match this message.
    std::string message = "Unknown command: ";
    message += name;
    message +=
        ". Available: check-permission, list-windows, activate, read-tree, find, click, click-xy, type, scroll, "
        "navigate, screenshot";
    return errorExit(message);
}
