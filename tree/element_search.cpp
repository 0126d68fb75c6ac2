#include "tree/element_search.h"

#include "accessibility/attributes.h"
#include "tree/record_fields.h"
#include "tree/tree_walk.h"
#include "response/unicode_text.h"

namespace {

// An active criterion, folded once for the whole walk; nothing when the
// criterion is absent or empty.
std::optional<TextNeedle> activeNeedle(const std::optional<std::string>& criterion) {
    if (!criterion || criterion->empty()) return std::nullopt;
    return prepareNeedle(*criterion);
}

bool passes(const std::optional<TextNeedle>& needle, const std::string& text) {
    return !needle || containsIgnoringCase(text, *needle);
}

struct SearchVisitor {
    static constexpr bool skipsRepeats = true;
    bool anyGiven;
    std::optional<TextNeedle> role;
    std::optional<TextNeedle> label;
    std::optional<TextNeedle> value;
    std::vector<JsonObject>& results;

    bool enter(const platform::Element& element, std::int64_t, const std::string& path) {
        // An attribute that cannot be read as a text counts as "". Only what
        // the criteria test is read of every element; the rest only of matches.
        if (!anyGiven) return true;
        std::string roleText = getStringAttr(element, "AXRole").value_or("");
        if (!passes(role, roleText)) return true;
        std::optional<std::string> title, description, labelText, valueText;
        auto readNames = [&] {
            title = getStringAttr(element, "AXTitle").value_or("");
            description = getStringAttr(element, "AXDescription").value_or("");
            labelText = getStringAttr(element, "AXLabel").value_or("");
        };
        if (label) {
            readNames();
            if (!containsIgnoringCase(*title, *label) && !containsIgnoringCase(*description, *label) &&
                !containsIgnoringCase(*labelText, *label)) {
                return true;
            }
        }
        if (value) {
            valueText = getStringAttr(element, "AXValue").value_or("");
            if (!passes(value, *valueText)) return true;
        }
        if (!label) readNames();
        if (!value) valueText = getStringAttr(element, "AXValue").value_or("");

        const std::optional<platform::Point> position = getPosition(element);
        const std::optional<platform::Size> size = getSize(element);
        std::vector<std::string> actions = getActions(element);

        JsonObject record;
        record.set("role", JsonValue(std::move(roleText)));
        record.set("path", JsonValue(path));
        setNonEmptyText(record, "title", std::move(*title));
        setCutValue(record, *valueText);
        setNonEmptyText(record, "description", std::move(*description));
        setNonEmptyText(record, "label", std::move(*labelText));
        setGeometry(record, position, size);
        record.set("actions", JsonValue(actionArray(std::move(actions))));
        results.push_back(std::move(record));
        return true;
    }
    void descend(std::int64_t) {}
    void leave(std::int64_t, bool) {}
};

}  // namespace

bool findElements(const platform::Element& element, const std::optional<std::string>& role,
                  const std::optional<std::string>& label, const std::optional<std::string>& value,
                  std::int64_t depth, std::int64_t maxDepth, std::vector<JsonObject>& results, std::string path) {
    SearchVisitor visitor{role || label || value, activeNeedle(role), activeNeedle(label), activeNeedle(value),
                          results};
    platform::SubtreeReading reading;
    reading.levels = maxDepth - depth;
    reading.names = visitor.label.has_value();
    reading.values = visitor.value.has_value();
    reading.details = false;
    platform::prefetchSubtree(element, reading);
    return walkTree(element, depth, maxDepth, std::move(path), visitor) != WalkEnd::timedOut;
}
