#include "input/element_commands.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "accessibility/applications.h"
#include "accessibility/attributes.h"
#include "accessibility/geometry_conversion.h"
#include "input/input_guards.h"
#include "input/synthetic_input.h"
#include "platform/events.h"
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

// The window and the element a command acts on, or the error that ends
// the run.
using Target = std::pair<platform::Element, platform::Element>;
std::variant<Target, CommandResult> findTarget(std::int32_t pid, std::int64_t windowIndex, const std::string& path) {
    std::optional<platform::Element> window = getWindowElement(pid, windowIndex);
    if (!window) return errorExit("Window not found");
    std::optional<platform::Element> element = resolveElement(*window, path);
    if (!element) return errorExit("Element not found at path: " + path);
    return Target{std::move(*window), std::move(*element)};
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
    const platform::Element& element = std::get<Target>(target).second;

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
    if (!platform::canPostInput()) return errorExit(noInputMessage());
    if (!isOnSomeDisplay(*centre)) return errorExit(offScreenMessage);
    // A click lands on whatever is on top there, which must be the
    // application's own window.
    if (!isOnOwnWindow(*pid, *centre)) return errorExit(notOwnWindowMessage);
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
    const auto& [window, element] = std::get<Target>(target);

    // Runs that type on one display take turns from the focusing on, so
    // another run's focusing cannot take this run's keys.
    if (const auto busy = takeTypingTurn()) return errorExit(*busy);

    // Focus is asked for first: setting the value may need it, and the
    // fallback's keys go wherever it is. The pause lets the application
    // move it.
    platform::setAttributeValue(element, "AXFocused", platform::AttributeValue{std::in_place_type<bool>, true});
    platform::sleepMicroseconds(focusSettleMicroseconds);
    const bool valueSet =
        platform::setAttributeValue(element, "AXValue", platform::AttributeValue{std::in_place_type<std::string>, text});
    if (!valueSet) {
        if (!platform::canPostInput()) return errorExit(noInputMessage());
        // Keys go to whatever holds the focus: unless that is the element,
        // none are typed.
        if (!holdsKeyboardFocus(*pid, window, element)) return errorExit(notFocusedMessage);
        if (const auto failure = typeText(text)) return errorExit(*failure);
    }

    JsonObject result;
    result.set("success", true);
    result.set("method", valueSet ? "AXSetValue" : "CGEvent");
    result.set("text", text);
    return completed(json(result));
}
