#include "tree/find_command.h"

#include <optional>
#include <string>

#include "accessibility/applications.h"
#include "tree/element_search.h"
#include "tree/tree_walk.h"

CommandResult runFind(const Arguments& arguments) {
    const auto pidText = argumentAt(arguments, 2);
    const auto pid = pidText ? parseInt32(*pidText) : std::nullopt;
    if (!pid) return errorExit("Usage: tavik-ax find <pid> [--role X] [--label X] [--value X] [--window N]");

    std::optional<std::string> role;
    std::optional<std::string> label;
    std::optional<std::string> value;
    std::int64_t windowIndex = 0;
    // An option takes the next argument whatever it looks like; anything
    // else is skipped alone; an option with nothing after it ends the walk.
    for (std::size_t i = 3; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::optional<std::string>* criterion = argument == "--role"    ? &role
                                                : argument == "--label" ? &label
                                                : argument == "--value" ? &value
                                                                        : nullptr;
        const bool isWindow = argument == "--window";
        if (!criterion && !isWindow) continue;
        if (i + 1 >= arguments.size()) break;
        ++i;
        if (criterion) *criterion = arguments[i];
        else windowIndex = parseInt64(arguments[i]).value_or(0);
    }

    const std::optional<platform::Element> window = getWindowElement(*pid, windowIndex);
    if (!window) return errorExit(windowNotFound(*pid));

    std::vector<JsonObject> results;
    // A walk cut short by time, or one that read absent parts of an
    // application that stopped answering, is no answer.
    const bool complete = findElements(*window, role, label, value, 0, kFindMaxDepth, results, "0");
    if (!complete || platform::stoppedAnswering(*window)) return errorExit(notResponding(*pid));
    return completed(jsonArray(results));
}
