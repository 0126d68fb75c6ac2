#include "tree/tree_dump.h"

#include "accessibility/attributes.h"
#include "tree/record_fields.h"
#include "tree/tree_walk.h"

JsonObject elementRecord(const platform::Element& element, const std::string& path) {
    std::optional<std::string> role = getStringAttr(element, "AXRole");
    std::optional<std::string> title = getStringAttr(element, "AXTitle");
    std::optional<std::string> value = getStringAttr(element, "AXValue");
    std::optional<std::string> roleDescription = getStringAttr(element, "AXRoleDescription");
    std::optional<std::string> description = getStringAttr(element, "AXDescription");
    std::optional<std::string> label = getStringAttr(element, "AXLabel");
    const std::optional<bool> enabled = getBoolAttr(element, "AXEnabled");
    const std::optional<bool> focused = getBoolAttr(element, "AXFocused");
    const std::optional<platform::Point> position = getPosition(element);
    const std::optional<platform::Size> size = getSize(element);
    std::vector<std::string> actions = getActions(element);

    JsonObject record;
    record.set("role", JsonValue(role ? std::move(*role) : std::string("unknown")));
    record.set("path", JsonValue(path));
    setNonEmptyText(record, "title", std::move(title));
    setCutValue(record, value);
    setNonEmptyText(record, "roleDescription", std::move(roleDescription));
    setNonEmptyText(record, "description", std::move(description));
    setNonEmptyText(record, "label", std::move(label));
    if (enabled) record.set("enabled", JsonValue(*enabled));
    if (focused.value_or(false)) record.set("focused", JsonValue(true));
    setGeometry(record, position, size);
    if (!actions.empty()) record.set("actions", JsonValue(actionArray(std::move(actions))));
    return record;
}

namespace {

// Writes each record as it is entered, leaving its object open until its
// subtree is done, so the whole dump is one string built in one pass.
struct DumpWriter {
    std::int64_t startDepth;
    DumpLimits limits;
    std::string out;
    std::int64_t elements = 0;
    DumpStatus stopped = DumpStatus::dumped;

    bool enter(const platform::Element& element, std::int64_t depth, const std::string& path) {
        if (depth - startDepth >= limits.maxNesting) {
            stopped = DumpStatus::tooDeep;
            return false;
        }
        if (++elements > limits.maxElements) {
            stopped = DumpStatus::tooLarge;
            return false;
        }
        if (!out.empty() && out.back() != '[') out.push_back(',');
        appendJson(out, JsonValue(elementRecord(element, path)));
        out.pop_back();  // the closing brace comes in leave
        return true;
    }
    void descend(std::int64_t) { out.append(",\"children\":["); }
    void leave(std::int64_t, bool descended) {
        if (descended) out.push_back(']');
        out.push_back('}');
    }
};

}  // namespace

TreeDump dumpElement(const platform::Element& element, std::int64_t depth, std::int64_t maxDepth, std::string path,
                     DumpLimits limits) {
    if (maxDepth < depth) return {DumpStatus::beyondMaxDepth, {}};
    DumpWriter writer{depth, limits, {}};
    platform::SubtreeReading reading;
    reading.levels = maxDepth - depth;
    reading.shownValueCharacters = kValueClusterLimit;
    platform::prefetchSubtree(element, reading);
    switch (walkTree(element, depth, maxDepth, std::move(path), writer)) {
        case WalkEnd::completed: break;
        case WalkEnd::stopped: return {writer.stopped, {}};
        case WalkEnd::timedOut: return {DumpStatus::timedOut, {}};
    }
    return {DumpStatus::dumped, std::move(writer.out)};
}
