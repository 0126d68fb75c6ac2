#include "input/query_arguments.h"

#include <string_view>

#include "tree/tree_walk.h"

namespace {

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

bool isQueryForm(const Arguments& arguments) {
    const auto operand = argumentAt(arguments, 3);
    return operand && (startsWith(*operand, "--role") || startsWith(*operand, "--label") ||
                       startsWith(*operand, "--value"));
}

std::variant<QueryArguments, std::string> parseQueryArguments(const Arguments& arguments, bool withText) {
    const std::string usage = withText ? typeQueryUsage : clickQueryUsage;
    const auto refused = [&](const std::string& reason) { return reason + ". " + usage; };

    const auto pidText = argumentAt(arguments, 2);
    const auto pid = pidText ? parseInt32(*pidText) : std::nullopt;
    if (!pid) return usage;

    QueryArguments parsed;
    parsed.pid = *pid;
    for (std::size_t i = 3; i < arguments.size(); i += 2) {
        const std::string& option = arguments[i];
        std::optional<std::string>* text = option == "--role"               ? &parsed.query.role
                                           : option == "--label"            ? &parsed.query.label
                                           : option == "--value"            ? &parsed.query.value
                                           : option == "--text" && withText ? &parsed.text
                                                                            : nullptr;
        const bool number = option == "--nth" || option == "--window" || option == "--depth";
        // Words the form does not know are refused rather than skipped: an
        // action must not go ahead on a query that was meant otherwise.
        if (!text && !number) return refused("Unknown option: " + option);
        if (i + 1 >= arguments.size()) return refused(option + " has no value");
        const std::string& value = arguments[i + 1];
        if (text) {
            *text = value;
            continue;
        }
        const auto integer = parseInt64(value);
        if (option == "--nth") {
            if (!integer || *integer < 0) return refused("--nth takes a whole number from 0 (the first match)");
            parsed.query.nth = *integer;
        } else if (option == "--depth") {
            if (!integer || *integer < 1 || *integer > kLargestDepthOption) return std::string(depthOptionMessage);
            parsed.query.maxDepth = *integer;
        } else {
            if (!integer) return refused("--window takes a whole number (the windowIndex of list-windows)");
            parsed.windowIndex = *integer;
        }
    }
    if (withText && !parsed.text) return refused("type with a query needs --text T");
    return parsed;
}
