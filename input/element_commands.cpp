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
#include "input/query_arguments.h"
#include "input/synthetic_input.h"
#include "platform/events.h"
#include "platform/timing.h"
#include "tree/element_path.h"
#include "tree/element_query.h"
#include "tree/tree_walk.h"

namespace {

constexpr const char* clickUsage = "Usage: tavik-ax click <pid> <path> [--window N]";
constexpr const char* typeUsage = "Usage: tavik-ax type <pid> <path> <text> [--window N]";
constexpr std::uint32_t focusSettleMicroseconds = 100000;
constexpr const char* beyondBmpMessage =
    "The application cannot take characters beyond U+FFFF (such as emoji); nothing was typed";

// Whether the UTF-8 text holds a character beyond U+FFFF: the only
// characters that take four bytes.
bool holdsCharacterBeyondBmp(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char byte) { return static_cast<unsigned char>(byte) >= 0xF0; });
}

// The window index of the option recognised only at one position: the
// word "--window" exactly there, with a value after it; otherwise window 0.
std::int64_t windowOptionAt(const Arguments& arguments, std::size_t optionPosition) {
    if (arguments.size() < optionPosition + 2 || arguments[optionPosition] != "--window") return 0;
    return windowIndexOrZero(arguments, optionPosition + 1);
}

// The window and the element a command acts on, and the path to report
// when the element was found by a query.
struct Target {
    platform::Element window;
    platform::Element element;
    std::optional<std::string> foundPath;
};

std::variant<Target, CommandResult> targetByPath(std::int32_t pid, std::int64_t windowIndex, const std::string& path) {
    // Read leniently, a mistyped path (or an option taken for one) would
    // name the window itself, and the action would land on its centre.
    if (!isElementPath(path)) return errorExit("Not an element path: " + path);
    std::optional<platform::Element> window = getWindowElement(pid, windowIndex);
    if (!window) return errorExit("Window not found");
    std::optional<platform::Element> element = resolveElement(*window, path);
    if (!element) return errorExit("Element not found at path: " + path);
    return Target{std::move(*window), std::move(*element), std::nullopt};
}

std::variant<Target, CommandResult> targetByQuery(const QueryArguments& arguments) {
    std::optional<platform::Element> window = getWindowElement(arguments.pid, arguments.windowIndex);
    if (!window) return errorExit(windowNotFound(arguments.pid));
    auto picked = pickElement(arguments.pid, *window, arguments.query);
    if (auto* failure = std::get_if<std::string>(&picked)) return errorExit(*failure);
    PickedElement& element = std::get<PickedElement>(picked);
    return Target{std::move(*window), std::move(element.element), std::move(element.path)};
}

// An action's answer; one on an element found by a query says which it was.
CommandResult actionAnswer(JsonObject result, const Target& target) {
    if (target.foundPath) result.set("path", *target.foundPath);
    return completed(json(result));
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

// Presses the element, or clicks its centre when it has no press.
CommandResult clickTarget(std::int32_t pid, const Target& target) {
    const platform::Element& element = target.element;
    JsonObject result;
    const std::vector<std::string> actions = getActions(element);
    if (std::find(actions.begin(), actions.end(), "AXPress") != actions.end()) {
        // A refused press is reported as such; a synthetic click could land
        // on something else, so none is tried.
        result.set("success", platform::performAction(element, "AXPress"));
        result.set("method", "AXPress");
        return actionAnswer(std::move(result), target);
    }

    const auto centre = clickableCentre(element);
    // Nothing was done, yet this ends with status 0 like a completed run.
    if (!centre) return {errorResponse("No click method available"), 0};
    if (!platform::canPostInput()) return errorExit(noInputMessage());
    if (!isOnSomeDisplay(*centre)) return errorExit(offScreenMessage);
    // A click lands on whatever is on top there, which must be the
    // application's own window.
    if (!isOnOwnWindow(pid, *centre)) return errorExit(notOwnWindowMessage);
    clickAt(centre->x, centre->y);
    result.set("success", true);
    result.set("method", "CGEvent");
    setConvertedPair(result, "x", centre->x, "y", centre->y);
    return actionAnswer(std::move(result), target);
}

// Focuses the element and sets its value, or types the text into it.
CommandResult typeIntoTarget(std::int32_t pid, const Target& target, const std::string& text) {
    const platform::Element& window = target.window;
    const platform::Element& element = target.element;

    // Better nothing than a text that arrives changed.
    if (holdsCharacterBeyondBmp(text) && !platform::takesCharactersBeyondBmp(element)) {
        return errorExit(beyondBmpMessage);
    }

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
        if (!holdsKeyboardFocus(pid, window, element)) return errorExit(notFocusedMessage);
        if (const auto failure = typeText(text)) return errorExit(*failure);
    }

    JsonObject result;
    result.set("success", true);
    result.set("method", valueSet ? "AXSetValue" : "CGEvent");
    result.set("text", text);
    return actionAnswer(std::move(result), target);
}

}  // namespace

CommandResult runClick(const Arguments& arguments) {
    if (isQueryForm(arguments)) {
        auto parsed = parseQueryArguments(arguments, false);
        if (auto* failure = std::get_if<std::string>(&parsed)) return errorExit(*failure);
        const QueryArguments& query = std::get<QueryArguments>(parsed);
        auto target = targetByQuery(query);
        if (auto* failure = std::get_if<CommandResult>(&target)) return std::move(*failure);
        return clickTarget(query.pid, std::get<Target>(target));
    }

    if (arguments.size() < 4) return errorExit(clickUsage);
    const auto pid = parseInt32(arguments[2]);
    if (!pid) return errorExit(clickUsage);
    auto target = targetByPath(*pid, windowOptionAt(arguments, 4), arguments[3]);
    if (auto* failure = std::get_if<CommandResult>(&target)) return std::move(*failure);
    return clickTarget(*pid, std::get<Target>(target));
}

CommandResult runType(const Arguments& arguments) {
    if (isQueryForm(arguments)) {
        auto parsed = parseQueryArguments(arguments, true);
        if (auto* failure = std::get_if<std::string>(&parsed)) return errorExit(*failure);
        const QueryArguments& query = std::get<QueryArguments>(parsed);
        auto target = targetByQuery(query);
        if (auto* failure = std::get_if<CommandResult>(&target)) return std::move(*failure);
        return typeIntoTarget(query.pid, std::get<Target>(target), *query.text);
    }

    if (arguments.size() < 4) return errorExit(typeUsage);
    const auto pid = parseInt32(arguments[2]);
    if (!pid) return errorExit(typeUsage);
    // The text is position 4 even when it reads "--window".
    const std::string text = arguments.size() > 4 ? arguments[4] : std::string();
    auto target = targetByPath(*pid, windowOptionAt(arguments, 5), arguments[3]);
    if (auto* failure = std::get_if<CommandResult>(&target)) return std::move(*failure);
    return typeIntoTarget(*pid, std::get<Target>(target), text);
}
