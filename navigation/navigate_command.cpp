#include "navigation/navigate_command.h"

#include "navigation/navigate.h"

CommandResult runNavigate(const Arguments& arguments) {
    const auto pid = arguments.size() < 4 ? std::nullopt : parseInt32(arguments[2]);
    if (!pid) return errorExit("Usage: tavik-ax navigate <pid> <url>");
    std::string answer = navigate(*pid, arguments[3]);
    const int status = answer.starts_with("{\"error\"") ? 1 : 0;
    return CommandResult{std::move(answer), status};
}
