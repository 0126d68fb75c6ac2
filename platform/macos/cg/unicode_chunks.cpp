#include "platform/macos/cg/unicode_chunks.h"

#include <algorithm>

namespace platform::macos {

std::vector<std::u16string> unicodeChunks(std::u16string_view units) {
    std::vector<std::u16string> chunks;
    std::size_t start = 0;
    while (start < units.size()) {
        std::size_t end = std::min(units.size(), start + kMaxUnitsPerKeyEvent);
        // A high surrogate as the last unit belongs with the low one after it.
        const bool splitsPair = end < units.size() && units[end - 1] >= 0xD800 && units[end - 1] <= 0xDBFF &&
                                units[end] >= 0xDC00 && units[end] <= 0xDFFF;
        if (splitsPair) --end;
        chunks.emplace_back(units.substr(start, end - start));
        start = end;
    }
    return chunks;
}

}  // namespace platform::macos
