#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/accessibility.h"

// The snapshot: a compact outline of what an agent can see or act on in a
// window, one line per element, indented by nesting, each line ending in
// the element's path:
//
//   - AXWindow "Editor" [0]
//     - AXButton "Run" [0.0.2]
//     - AXTextField "Name" = "Ada" focused [0.1.0]
//
// Unless everything is asked for, an element is left out when it is not
// showing, or when it has nothing to tell (no name, no value, no action,
// no editable value, no state worth a word): its children then move up a
// level, each keeping its own path. So is a text that only repeats the
// name of the element it is shown under.

// The depth a snapshot goes to unless told otherwise (the root is depth 0).
inline constexpr std::int64_t kSnapshotMaxDepth = 50;
// The longest outline, in bytes of its text; the line that says how many
// elements were left out is within it.
inline constexpr std::size_t kOutlineCharacterLimit = 200000;

struct OutlineOptions {
    std::int64_t maxDepth = kSnapshotMaxDepth;
    // Every element, hidden or not, with its geometry.
    bool all = false;
    std::size_t characterLimit = kOutlineCharacterLimit;
};

struct Outline {
    bool complete = false;  // false: the application did not finish answering in time
    std::string text;
    std::int64_t elements = 0;  // the element lines in text
    std::int64_t leftOut = 0;   // elements past the character limit
};

// The outline of the tree under window (borrowed), the window itself being
// path "0" at depth 0.
Outline writeOutline(const platform::Element& window, const OutlineOptions& options);
