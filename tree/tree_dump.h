#pragma once

#include <cstdint>
#include <string>

#include "platform/accessibility.h"
#include "response/json.h"

// The tree dump: an element record for each element below a window, down
// to a depth limit, written straight into compact JSON text.

// Guards far above any real interface, so that a child list leading back
// to an ancestor ends the dump in order instead of growing without end.
struct DumpLimits {
    // Levels below the starting element, itself included: each level nests
    // two JSON levels (the record and its children), and common parsers
    // (Python's json among them) refuse a document nested 1,000 deep.
    std::int64_t maxNesting = 400;
    std::int64_t maxElements = 1000000;  // records in one dump
};

enum class DumpStatus {
    dumped,          // json holds the record
    beyondMaxDepth,  // depth > maxDepth: nothing was read
    tooDeep,         // the walk had to go past limits.maxNesting levels
    tooLarge,        // the dump would hold more than limits.maxElements records
    timedOut,        // the application did not finish answering in time
};

struct TreeDump {
    DumpStatus status = DumpStatus::beyondMaxDepth;
    std::string json;  // the element record and its subtree, when dumped
};

// The element record of element (borrowed) at depth with the records of
// its children nested under "children" while depth < maxDepth.
TreeDump dumpElement(const platform::Element& element, std::int64_t depth, std::int64_t maxDepth,
                     std::string path = "0", DumpLimits limits = {});

// The record of one element without its children, from eleven queries in
// a fixed order (role, title, value, role description, description, label,
// enabled, focused, position, size, actions).
JsonObject elementRecord(const platform::Element& element, const std::string& path);
