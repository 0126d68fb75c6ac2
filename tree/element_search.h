#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility.h"
#include "response/json.h"

// The element search: every element below a window whose role, label-like
// texts and value contain the given texts, ignoring case.

// The depth the find command searches to (the root is depth 0).
inline constexpr std::int64_t kFindMaxDepth = 15;

// A criterion is given when it holds a text, even an empty one, and active
// when that text is not empty. Matches are appended to results in
// pre-order as match records; nothing matches when no criterion is given.
// An element already on the path to it is not searched again. False when
// the application did not finish answering in time (results incomplete).
bool findElements(const platform::Element& element, const std::optional<std::string>& role,
                  const std::optional<std::string>& label, const std::optional<std::string>& value,
                  std::int64_t depth, std::int64_t maxDepth, std::vector<JsonObject>& results,
                  std::string path = "0");
