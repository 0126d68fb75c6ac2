#include "platform/macos/appkit/bundle_path.h"

namespace platform::macos {

std::optional<std::string> bundlePathOfExecutable(std::string_view executable) {
    const auto cut = executable.find(".app/");
    if (cut == std::string_view::npos || cut == 0 || executable.front() != '/' || executable[cut - 1] == '/') {
        return std::nullopt;
    }
    return std::string(executable.substr(0, cut + 4));
}

}  // namespace platform::macos
