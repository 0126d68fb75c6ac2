#include "input/pointer_commands.h"

#include "accessibility/geometry_conversion.h"
#include "input/coordinate_parsing.h"
#include "input/input_guards.h"
#include "input/synthetic_input.h"
#include "platform/events.h"

namespace {

constexpr const char* clickXYUsage = "Usage: tavik-ax click-xy <x> <y>";
constexpr const char* scrollUsage = "Usage: tavik-ax scroll <amount> (negative=down, positive=up)";
constexpr std::int32_t defaultScrollAmount = -3;

}  // namespace

CommandResult runClickXY(const Arguments& arguments) {
    if (arguments.size() < 4) return errorExit(clickXYUsage);
    const auto x = parseCoordinate(arguments[2]);
    const auto y = parseCoordinate(arguments[3]);
    if (!x || !y) return errorExit(clickXYUsage);

    if (!platform::canPostInput()) return errorExit(noDisplayMessage);
    // The window system would move a point off every display to the
    // nearest edge and click there.
    if (!isOnSomeDisplay({*x, *y})) return errorExit(offScreenMessage);
    // The click uses the point as read; only the report is truncated.
    clickAt(*x, *y);
    JsonObject result;
    result.set("success", true);
    setConvertedPair(result, "x", *x, "y", *y);
    return completed(json(result));
}

CommandResult runScroll(const Arguments& arguments) {
    if (arguments.size() < 3) return errorExit(scrollUsage);
    // An amount that is not a 32-bit decimal integer falls back quietly.
    const std::int32_t amount = parseInt32(arguments[2]).value_or(defaultScrollAmount);
    if (!platform::canPostInput()) return errorExit(noDisplayMessage);
    scrollBy(amount);
    JsonObject result;
    result.set("success", true);
    result.set("deltaY", amount);
    return completed(json(result));
}
