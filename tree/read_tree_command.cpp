#include "tree/read_tree_command.h"

#include <string>

#include "accessibility/applications.h"
#include "tree/tree_dump.h"
#include "tree/tree_walk.h"

namespace {

constexpr std::int64_t kDefaultMaxDepth = 5;

}  // namespace

CommandResult runReadTree(const Arguments& arguments) {
    const auto pidText = argumentAt(arguments, 2);
    const auto pid = pidText ? parseInt32(*pidText) : std::nullopt;
    if (!pid) return errorExit("Usage: tavik-ax read-tree <pid> [maxDepth] [windowIndex]");

    std::int64_t maxDepth = kDefaultMaxDepth;
    if (const auto depthText = argumentAt(arguments, 3))
        maxDepth = parseInt64(*depthText).value_or(kDefaultMaxDepth);
    const std::int64_t windowIndex = windowIndexOrZero(arguments, 4);

    const std::optional<platform::Element> window = getWindowElement(*pid, windowIndex);
    if (!window) return errorExit(windowNotFound(*pid));

    const DumpLimits limits;
    TreeDump dump = dumpElement(*window, 0, maxDepth, "0", limits);
    // What was read of an application that stopped answering may lack parts.
    if (dump.status == DumpStatus::dumped && platform::stoppedAnswering(*window)) dump.status = DumpStatus::timedOut;
    switch (dump.status) {
        case DumpStatus::dumped: return completed(std::move(dump.json));
        // A negative depth is reported, yet not as a failure of the run.
        case DumpStatus::beyondMaxDepth: return {errorResponse("Failed to read tree"), 0};
        case DumpStatus::tooDeep:
            return errorExit("Tree too deep (more than " + std::to_string(limits.maxNesting) + " levels)");
        case DumpStatus::tooLarge:
            return errorExit("Tree too large (more than " + std::to_string(limits.maxElements) + " elements)");
        case DumpStatus::timedOut: return errorExit(notResponding(*pid));
    }
    return errorExit("Failed to read tree");
}
