#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "platform/accessibility.h"
#include "tree/snapshot_outline.h"

// Naming one element by what it is rather than where it is: the search of
// the find command, narrowed to a single match.

struct ElementQuery {
    // The criteria, matched as find matches them.
    std::optional<std::string> role;
    std::optional<std::string> label;
    std::optional<std::string> value;
    // Which match to take when several do, counted from 0 in the order find
    // lists them; without it, several matches are refused.
    std::optional<std::int64_t> nth;
    // How many levels below the window are searched. As deep as a snapshot
    // reads unless told otherwise: a query is often copied from a snapshot
    // line, and must reach the element that line showed.
    std::int64_t maxDepth = kSnapshotMaxDepth;
};

struct PickedElement {
    platform::Element element;
    std::string path;
};

// Searches below window (of process pid) to the query's depth and gives
// the one element the query names, or the message saying why there is
// none: no match, several without nth, an nth beyond the matches, or an
// application that stopped answering during the search.
std::variant<PickedElement, std::string> pickElement(std::int32_t pid, const platform::Element& window,
                                                     const ElementQuery& query);
