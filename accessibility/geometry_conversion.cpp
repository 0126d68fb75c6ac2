#include "accessibility/geometry_conversion.h"

#include <cmath>

std::optional<std::int64_t> truncateToInt64(double value) {
    // -2^63 and 2^63 are exact doubles; NaN fails both comparisons.
    if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return std::nullopt;
    return static_cast<std::int64_t>(value);
}

void setConvertedPair(JsonObject& object, const char* firstKey, double first, const char* secondKey, double second) {
    const auto a = truncateToInt64(first);
    const auto b = truncateToInt64(second);
    if (!a || !b) return;
    object.set(firstKey, *a);
    object.set(secondKey, *b);
}
