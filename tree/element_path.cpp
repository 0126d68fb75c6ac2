#include "tree/element_path.h"

#include <cstdint>
#include <vector>

#include "accessibility/attributes.h"
#include "response/arguments.h"
#include "response/unicode_text.h"

namespace {

// The decimal integers of a path, in order, with every piece that is empty
// or does not parse dropped. A "." cuts only as a character of its own.
std::vector<std::int64_t> pathIntegers(std::string_view path) {
    std::vector<std::int64_t> integers;
    for (std::string_view piece : splitAtClusters(path, ".")) {
        if (piece.empty()) continue;
        if (const auto integer = parseInt64(piece)) integers.push_back(*integer);
    }
    return integers;
}

}  // namespace

bool isElementPath(std::string_view path) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = path.find('.', start);
        const std::string_view piece = path.substr(start, dot == std::string_view::npos ? path.npos : dot - start);
        if (!parseInt64(piece)) return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

std::optional<platform::Element> resolveElement(const platform::Element& root, std::string_view path) {
    const std::vector<std::int64_t> integers = pathIntegers(path);
    // The first integer stands for the root and is never looked at.
    platform::Element current = root;
    for (std::size_t step = 1; step < integers.size(); ++step) {
        const std::int64_t position = integers[step];
        std::vector<platform::Element> children = getChildren(current);
        if (position < 0 || static_cast<std::uint64_t>(position) >= children.size()) return std::nullopt;
        // Moving on releases the element left behind (and, with the list,
        // its siblings).
        current = std::move(children[static_cast<std::size_t>(position)]);
    }
    return current;
}
