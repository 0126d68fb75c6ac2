#pragma once

#include <optional>
#include <string_view>

// A screen coordinate from the command line: the whole text must be one
// number as strtod reads it in the POSIX locale (decimal with optional
// point and exponent, or a hexadecimal floating constant, with an optional
// sign), whatever locale the process runs in; no blanks around it. The
// value must be finite and lie within -2^63 <= v < 2^63 so that its
// truncation is a 64-bit integer.
std::optional<double> parseCoordinate(std::string_view text);
