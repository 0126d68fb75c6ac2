#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::macos {

// The application bundle an executable lies in: the path up to and
// including the first ".app" folder ("/Applications/Safari.app/Contents/
// MacOS/Safari" gives "/Applications/Safari.app"); nothing outside a bundle.
std::optional<std::string> bundlePathOfExecutable(std::string_view executable);

// The bundle of a process's executable (proc_pidpath), or nothing.
std::optional<std::string> bundlePathOfProcess(std::int32_t pid);

}  // namespace platform::macos
