// Placeholder: the screenshot files.
#include "platform/files.h"

namespace platform {

std::string temporaryDirectory() { return "/tmp"; }
bool ensurePrivateDirectory(const std::string&) { return false; }
bool writeFile(const std::string&, const std::vector<std::uint8_t>&) { return false; }
std::string newUuidString() { return "00000000-0000-0000-0000-000000000000"; }

}  // namespace platform
