#include "tree/element_query.h"

#include <cstddef>
#include <vector>

#include "tree/element_path.h"
#include "tree/element_search.h"
#include "tree/tree_walk.h"

namespace {

// How many paths a message lists; the count says how many there are.
constexpr std::size_t kListedPaths = 10;

// "3 elements match (0.1.2, 0.1.5, 0.3.1)", with ", ..." after the tenth.
std::string matchesText(const std::vector<std::string>& paths) {
    std::string text = std::to_string(paths.size());
    text += paths.size() == 1 ? " element matches (" : " elements match (";
    for (std::size_t i = 0; i < paths.size() && i < kListedPaths; ++i) {
        if (i > 0) text += ", ";
        text += paths[i];
    }
    if (paths.size() > kListedPaths) text += ", ...";
    text += ')';
    return text;
}

// The "path" of each match record, in order.
std::vector<std::string> pathsOf(const std::vector<JsonObject>& records) {
    std::vector<std::string> paths;
    for (const JsonObject& record : records) {
        for (std::size_t i = 0; i < record.keys().size(); ++i) {
            if (record.keys()[i] != "path") continue;
            if (const auto* path = std::get_if<std::string>(&record.values()[i].variant())) paths.push_back(*path);
        }
    }
    return paths;
}

}  // namespace

std::variant<PickedElement, std::string> pickElement(std::int32_t pid, const platform::Element& window,
                                                     const ElementQuery& query) {
    platform::beginTreeReading();
    std::vector<JsonObject> records;
    // A search cut short by time, or one over an application that stopped
    // answering, may have missed matches: no choice is made from it.
    const bool complete = findElements(window, query.role, query.label, query.value, 0, query.maxDepth, records, "0");
    if (!complete || platform::stoppedAnswering(window)) return notResponding(pid);

    const std::vector<std::string> paths = pathsOf(records);
    if (paths.empty()) return std::string("No element matches");
    std::size_t chosen = 0;
    if (query.nth) {
        if (*query.nth < 0 || static_cast<std::uint64_t>(*query.nth) >= paths.size())
            return "--nth " + std::to_string(*query.nth) + " is out of range: " + matchesText(paths);
        chosen = static_cast<std::size_t>(*query.nth);
    } else if (paths.size() > 1) {
        return matchesText(paths) + "; add --nth or a narrower query";
    }

    // The path was printed by this very search, so it leads to the match
    // unless the window changed in between.
    std::optional<platform::Element> element = resolveElement(window, paths[chosen]);
    if (!element) return "Element not found at path: " + paths[chosen];
    return PickedElement{std::move(*element), paths[chosen]};
}
