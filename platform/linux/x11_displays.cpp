// Placeholder: displays through XRandR.
#include "platform/displays.h"

namespace platform {

std::uint32_t activeDisplayCount() { return 0; }
std::vector<DisplayId> activeDisplayList(std::uint32_t) { return {}; }
Rect displayBounds(DisplayId) { return Rect{}; }
DisplayId mainDisplayId() { return 0; }

}  // namespace platform
