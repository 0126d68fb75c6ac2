#include "platform/linux/atspi/placeholders.h"

#include <limits>
#include <string_view>

namespace platform::atspi {
namespace {

bool isNoFrame(const Extents& extents) {
    return extents.x == -1 && extents.y == -1 && extents.width == -1 && extents.height == -1;
}

}  // namespace

std::optional<std::string> withoutObjectCharacters(const std::string& text) {
    static constexpr std::string_view objectCharacter = "\xEF\xBF\xBC";
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (text.compare(at, objectCharacter.size(), objectCharacter) == 0) {
            at += objectCharacter.size();
        } else {
            kept += text[at++];
        }
    }
    if (kept.empty() && !text.empty()) return std::nullopt;
    return kept;
}

bool hasPosition(const Extents& extents) {
    constexpr std::int32_t noPosition = std::numeric_limits<std::int32_t>::min();
    return !isNoFrame(extents) && extents.x != noPosition && extents.y != noPosition;
}

bool hasSize(const Extents& extents) { return !isNoFrame(extents) && extents.width >= 0 && extents.height >= 0; }

}  // namespace platform::atspi
