#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "response/json.h"

// Geometry is printed as integers truncated toward zero; a value that is
// not finite or lies outside -2^63 <= v < 2^63 has no integer form.
std::optional<std::int64_t> truncateToInt64(double value);

// Stores a pair of coordinates ("x" and "y", or "width" and "height")
// together or not at all: when either value has no integer form, neither
// key is written.
void setConvertedPair(JsonObject& object, const char* firstKey, double first, const char* secondKey, double second);
