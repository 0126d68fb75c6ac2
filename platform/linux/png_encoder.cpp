// Placeholder: PNG encoding with libpng.
#include "platform/capture.h"

namespace platform {

std::optional<std::vector<std::uint8_t>> encodePng(const Image&) { return std::nullopt; }

}  // namespace platform
