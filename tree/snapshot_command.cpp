#include "tree/snapshot_command.h"

#include <cstdint>
#include <optional>
#include <string>

#include "accessibility/applications.h"
#include "tree/snapshot_outline.h"
#include "tree/tree_walk.h"

namespace {

constexpr const char* usageMessage = "Usage: tavik-ax snapshot <pid> [--window N] [--depth N] [--all]";

}  // namespace

CommandResult runSnapshot(const Arguments& arguments) {
    const auto pidText = argumentAt(arguments, 2);
    const auto pid = pidText ? parseInt32(*pidText) : std::nullopt;
    if (!pid) return errorExit(usageMessage);

    OutlineOptions options;
    std::int64_t windowIndex = 0;
    // As find reads its options: --window and --depth take the next
    // argument; anything else unknown is skipped alone.
    for (std::size_t i = 3; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--all") {
            options.all = true;
        } else if (argument == "--depth") {
            const auto number = i + 1 < arguments.size() ? parseInt64(arguments[i + 1]) : std::nullopt;
            if (!number || *number < 1 || *number > kLargestDepthOption) return errorExit(depthOptionMessage);
            options.maxDepth = *number;
            ++i;
        } else if (argument == "--window") {
            if (i + 1 >= arguments.size()) break;
            windowIndex = parseInt64(arguments[++i]).value_or(0);
        }
    }

    const std::optional<platform::Element> window = getWindowElement(*pid, windowIndex);
    if (!window) return errorExit(windowNotFound(*pid));
    Outline outline = writeOutline(*window, options);
    // What was read of an application that stopped answering may lack parts.
    if (!outline.complete || platform::stoppedAnswering(*window)) return errorExit(notResponding(*pid));

    JsonObject document;
    document.set("snapshot", JsonValue(std::move(outline.text)));
    document.set("elements", JsonValue(outline.elements));
    return completed(json(document));
}
