#include "tree/find_command.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "accessibility/applications.h"
#include "tree/element_search.h"
#include "platform/timing.h"
#include "tree/tree_walk.h"

namespace {

constexpr std::int64_t kLongestFindWaitMilliseconds = 60000;
// Between the rounds of a waiting search.
constexpr std::uint32_t kFindRoundPauseMicroseconds = 100000;
constexpr const char* waitOptionMessage = "--wait takes a number of milliseconds from 0 to 60000";

}  // namespace

CommandResult runFind(const Arguments& arguments) {
    const auto pidText = argumentAt(arguments, 2);
    const auto pid = pidText ? parseInt32(*pidText) : std::nullopt;
    if (!pid) return errorExit("Usage: tavik-ax find <pid> [--role X] [--label X] [--value X] [--window N]");

    std::optional<std::string> role;
    std::optional<std::string> label;
    std::optional<std::string> value;
    std::int64_t windowIndex = 0;
    std::int64_t maxDepth = kFindMaxDepth;
    std::int64_t waitMilliseconds = 0;
    // An option takes the next argument whatever it looks like; anything
    // else is skipped alone; an option with nothing after it ends the walk.
    for (std::size_t i = 3; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::optional<std::string>* criterion = argument == "--role"    ? &role
                                                : argument == "--label" ? &label
                                                : argument == "--value" ? &value
                                                                        : nullptr;
        const bool isWindow = argument == "--window";
        if (argument == "--depth" || argument == "--wait") {
            const bool depth = argument == "--depth";
            const auto number = i + 1 < arguments.size() ? parseInt64(arguments[i + 1]) : std::nullopt;
            const std::int64_t lowest = depth ? 1 : 0;
            const std::int64_t highest = depth ? kLargestDepthOption : kLongestFindWaitMilliseconds;
            if (!number || *number < lowest || *number > highest)
                return errorExit(depth ? depthOptionMessage : waitOptionMessage);
            (depth ? maxDepth : waitMilliseconds) = *number;
            ++i;
            continue;
        }
        if (!criterion && !isWindow) continue;
        if (i + 1 >= arguments.size()) break;
        ++i;
        if (criterion) *criterion = arguments[i];
        else windowIndex = parseInt64(arguments[i]).value_or(0);
    }

    // With a wait, the search (window included) is repeated until it finds
    // something or the time is over; each round has its own time limit.
    const std::uint64_t waitEnd =
        platform::monotonicMicroseconds() + static_cast<std::uint64_t>(waitMilliseconds) * 1000;
    for (;;) {
        platform::beginTreeReading();
        const std::optional<platform::Element> window = getWindowElement(*pid, windowIndex);
        std::vector<JsonObject> results;
        if (window) {
            // A walk cut short by time, or one that read absent parts of an
            // application that stopped answering, is no answer.
            const bool complete = findElements(*window, role, label, value, 0, maxDepth, results, "0");
            if (!complete || platform::stoppedAnswering(*window)) return errorExit(notResponding(*pid));
        }
        const std::uint64_t now = platform::monotonicMicroseconds();
        if (window && (!results.empty() || now >= waitEnd)) return completed(jsonArray(results));
        if (!window && (now >= waitEnd || platform::stoppedAnswering(getAppElement(*pid))))
            return errorExit(windowNotFound(*pid));
        platform::sleepMicroseconds(
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kFindRoundPauseMicroseconds, waitEnd - now)));
    }
}
