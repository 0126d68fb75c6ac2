#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::macos {

// The most UTF-16 units one keyboard event delivers; the system cuts the
// rest off without a word.
inline constexpr std::size_t kMaxUnitsPerKeyEvent = 20;

// The units in pieces of at most kMaxUnitsPerKeyEvent, in order, a
// surrogate pair never split between two pieces. Empty text gives no piece.
std::vector<std::u16string> unicodeChunks(std::u16string_view units);

}  // namespace platform::macos
