#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The argument rules every command shares.

// Position 0 is the program path, 1 the command name, 2 on the operands.
using Arguments = std::vector<std::string>;

// Decimal integer text: an optional single "+" or "-", one or more ASCII
// digits and nothing else, within the target type's range.
std::optional<std::int32_t> parseInt32(std::string_view text);
std::optional<std::int64_t> parseInt64(std::string_view text);

// The argument at a position, or nothing when the vector is shorter.
std::optional<std::string_view> argumentAt(const Arguments& arguments, std::size_t position);

// A window index operand: 0 when absent or when it does not parse.
std::int64_t windowIndexOrZero(const Arguments& arguments, std::size_t position);

// Turns raw bytes into valid UTF-8: each ill-formed sequence becomes U+FFFD.
std::string toValidUtf8(std::string_view bytes);
