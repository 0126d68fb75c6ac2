#include "input/element_commands.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "accessibility/applications.h"
#include "accessibility/attributes.h"
#include "accessibility/geometry_conversion.h"
#include "input/synthetic_input.h"
#include "platform/timing.h"
#include "tree/element_path.h"

namespace {

constexpr const char* clickUsage = "Usage: tavik-ax click <pid> <path> [--window N]";
constexpr const char* typeUsage = "Usage: tavik-ax type <pid> <path> <text> [--window N]";
constexpr std::uint32_t focusSettleMicroseconds = 100000;

// The window index of the option recognised only at one position: the
// word "--window" exactly there, with a value after it; otherwise window 0.
std::int64_t windowOptionAt(const Arguments& arguments, std::size_t optionPosition) {
    if (arguments.size() < optionPosition + 2 || arguments[optionPosition] != "--window") return 0;
    return windowIndexOrZero(arguments, optionPosition + 1);
}

// The element a command acts on, or the error that ends the run.
std::variant<platform::Element, CommandResult> findTarget(std::int32_t pid, std::int64_t windowIndex,
                                                          const std::string& path) {
    const std::optional<platform::Element> window = getWindowElement(pid, windowIndex);
    if (!window) return errorExit("Window not found");
    std::optional<platform::Element> element = resolveElement(*window, path);
    if (!element) return errorExit("Element not found at path: " + path);
    return std::move(*element);
}

// The centre of the element's frame, when position and size are readable
// and the centre has an integer form to report.
std::optional<platform::Point> clickableCentre(const platform::Element& element) {
    const auto position = getPosition(element);
    if (!position) return std::nullopt;
    const auto size = getSize(element);
    if (!size) return std::nullopt;
    const platform::Point centre{position->x + size->width / 2, position->y + size->height / 2};
    if (!truncateToInt64(centre.x) || !truncateToInt64(centre.y)) return std::nullopt;
    return centre;
}

}  // namespace

CommandResult runClick(const Arguments& arguments) {
    if (arguments.size() < 4) return errorExit(clickUsage);
    const auto pid = parseInt32(arguments[2]);
    if (!pid) return errorExit(clickUsage);
    const std::string& path = arguments[3];

    auto target = findTarget(*pid, windowOptionAt(arguments, 4), path);
    if (auto* failure = std::get_if<CommandResult>(&target)) return std::move(*failure);
    const platform::Element& element = std::get<platform::Element>(target);

    JsonObject result;
    const std::vector<std::string> actions = getActions(element);
    if (std::find(actions.begin(), actions.end(), "AXPress") != actions.end()) {
        // A refused press is reported as such; a synthetic click could land
        // on something else, so none is tried.
        result.set("success", platform::performAction(element, "AXPress"));
        result.set("method", "AXPress");
        return completed(json(result));
    }

    const auto centre = clickableCentre(element);
    // Nothing was done, yet this ends with status 0 like a completed run.
    if (!centre) return {errorResponse("No click method available"), 0};
    clickAt(centre->x, centre->y);
    result.set("success", true);
    result.set("method", "CGEvent");
    setConvertedPair(result, "x", centre->x, "y", centre->y);
    return completed(json(result));
}

CommandResult runType(const Arguments& arguments) {
    if (arguments.size() < 4) return errorExit(typeUsage);
    const auto pid = parseInt32(arguments[2]);
    if (!pid) return errorExit(typeUsage);
    const std::string& path = arguments[3];
    // The text is position 4 even when it reads "--window".
    const std::string text = arguments.size() > 4 ? arguments[4] : std::string();

    auto target = findTarget(*pid, windowOptionAt(arguments, 5), path);
    if (auto* failure = std::get_if<CommandResult>(&target)) return std::move(*failure);
    const platform::Element& element = std::get<platform::Element>(target);

    // Focus is asked for whatever the outcome: it only steers where the
    // fallback's keys go. The pause lets the application move it.
    platform::setAttributeValue(element, "AXFocused", platform::AttributeValue{std::in_place_type<bool>, true});
    platform::sleepMicroseconds(focusSettleMicroseconds);
    const bool valueSet =
        platform::setAttributeValue(element, "AXValue", platform::AttributeValue{std::in_place_type<std::string>, text});
    if (!valueSet) typeText(text);

    JsonObject result;
    result.set("success", true);
    result.set("method", valueSet ? "AXSetValue" : "CGEvent");
    result.set("text", text);
    return completed(json(result));
}
