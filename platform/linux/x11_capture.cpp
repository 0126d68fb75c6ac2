// Placeholder: screen capture with XGetImage.
#include "platform/capture.h"

namespace platform {

std::optional<Image> captureScreenImage(Rect) { return std::nullopt; }

}  // namespace platform
