#include "input/pointer_commands.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "accessibility/geometry_conversion.h"
#include "input/coordinate_parsing.h"
#include "input/input_guards.h"
#include "input/synthetic_input.h"
#include "platform/events.h"

namespace {

constexpr const char* clickXYUsage = "Usage: tavik-ax click-xy <x> <y>";
constexpr const char* moveXYUsage = "Usage: tavik-ax move-xy <x> <y>";
constexpr const char* dragXYUsage = "Usage: tavik-ax drag-xy <x1> <y1> <x2> <y2>";
constexpr const char* scrollUsage = "Usage: tavik-ax scroll <amount> (negative=down, positive=up)";
constexpr const char* buttonOptionMessage = "--button takes left, right or middle";
constexpr const char* countOptionMessage = "--count takes 1, 2 or 3";
constexpr const char* atOptionMessage = "--at takes two screen coordinates";
constexpr const char* pointerUnknownMessage = "Could not read the pointer position";
constexpr std::int32_t defaultScrollAmount = -3;

// A screen point from two arguments, when both are coordinates.
std::optional<platform::Point> pointAt(const Arguments& arguments, std::size_t position) {
    if (arguments.size() < position + 2) return std::nullopt;
    const auto x = parseCoordinate(arguments[position]);
    const auto y = parseCoordinate(arguments[position + 1]);
    if (!x || !y) return std::nullopt;
    return platform::Point{*x, *y};
}

// The checks every pointer command makes before posting: a display to
// post to, and points on it (the window system would move a point off
// every display to the nearest edge and act there).
std::optional<std::string> refusal(std::initializer_list<platform::Point> points) {
    if (!platform::canPostInput()) return noInputMessage();
    for (const platform::Point point : points)
        if (!isOnSomeDisplay(point)) return offScreenMessage;
    return std::nullopt;
}

std::optional<MouseButton> buttonNamed(std::string_view name) {
    if (name == "left") return MouseButton::left;
    if (name == "right") return MouseButton::right;
    if (name == "middle") return MouseButton::middle;
    return std::nullopt;
}

}  // namespace

CommandResult runClickXY(const Arguments& arguments) {
    const std::optional<platform::Point> point = pointAt(arguments, 2);
    if (!point) return errorExit(clickXYUsage);

    // Options after the point; any other argument is ignored as before.
    std::optional<std::string> buttonName;
    std::optional<int> count;
    for (std::size_t i = 4; i < arguments.size(); ++i) {
        if (arguments[i] == "--button") {
            if (i + 1 >= arguments.size() || !buttonNamed(arguments[i + 1])) return errorExit(buttonOptionMessage);
            buttonName = arguments[++i];
        } else if (arguments[i] == "--count") {
            const auto parsed = i + 1 < arguments.size() ? parseInt32(arguments[i + 1]) : std::nullopt;
            if (!parsed || *parsed < 1 || *parsed > 3) return errorExit(countOptionMessage);
            count = *parsed;
            ++i;
        }
    }

    if (const auto refused = refusal({*point})) return errorExit(*refused);
    // The click uses the point as read; only the report is truncated.
    clickAt(point->x, point->y, buttonNamed(buttonName.value_or("left")).value_or(MouseButton::left),
            count.value_or(1));
    JsonObject result;
    result.set("success", true);
    setConvertedPair(result, "x", point->x, "y", point->y);
    if (buttonName) result.set("button", JsonValue(*buttonName));
    if (count) result.set("count", std::int64_t{*count});
    return completed(json(result));
}

CommandResult runMoveXY(const Arguments& arguments) {
    const std::optional<platform::Point> point = pointAt(arguments, 2);
    if (!point) return errorExit(moveXYUsage);
    if (const auto refused = refusal({*point})) return errorExit(*refused);
    movePointerTo(point->x, point->y);
    JsonObject result;
    result.set("success", true);
    setConvertedPair(result, "x", point->x, "y", point->y);
    return completed(json(result));
}

CommandResult runDragXY(const Arguments& arguments) {
    const std::optional<platform::Point> from = pointAt(arguments, 2);
    const std::optional<platform::Point> to = pointAt(arguments, 4);
    if (!from || !to) return errorExit(dragXYUsage);
    if (const auto refused = refusal({*from, *to})) return errorExit(*refused);
    dragFromTo(from->x, from->y, to->x, to->y);
    JsonObject result;
    result.set("success", true);
    setConvertedPair(result, "x1", from->x, "y1", from->y);
    setConvertedPair(result, "x2", to->x, "y2", to->y);
    return completed(json(result));
}

CommandResult runPointer(const Arguments&) {
    if (!platform::canPostInput()) return errorExit(noInputMessage());
    const std::optional<platform::Point> location = platform::pointerLocation();
    if (!location) return errorExit(pointerUnknownMessage);
    JsonObject result;
    setConvertedPair(result, "x", location->x, "y", location->y);
    return completed(json(result));
}

CommandResult runScroll(const Arguments& arguments) {
    if (arguments.size() < 3) return errorExit(scrollUsage);
    // An amount that is not a 32-bit decimal integer falls back quietly.
    const std::int32_t amount = parseInt32(arguments[2]).value_or(defaultScrollAmount);

    bool horizontal = false;
    std::optional<platform::Point> at;
    for (std::size_t i = 3; i < arguments.size(); ++i) {
        if (arguments[i] == "--horizontal") {
            horizontal = true;
        } else if (arguments[i] == "--at") {
            at = pointAt(arguments, i + 1);
            if (!at) return errorExit(atOptionMessage);
            i += 2;
        }
    }

    if (!platform::canPostInput()) return errorExit(noInputMessage());
    if (at) {
        if (const auto refused = refusal({*at})) return errorExit(*refused);
        movePointerTo(at->x, at->y);
    }
    if (horizontal)
        scrollSidewaysBy(amount);
    else
        scrollBy(amount);
    JsonObject result;
    result.set("success", true);
    result.set(horizontal ? "deltaX" : "deltaY", amount);
    if (at) setConvertedPair(result, "x", at->x, "y", at->y);
    return completed(json(result));
}
