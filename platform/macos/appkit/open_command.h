#pragma once

#include <string>

#include "platform/processes.h"

namespace platform::macos {

// /usr/bin/open naming the application bundle, so the address opens in that
// application rather than in the default browser.
ProcessCommand openCommand(const std::string& bundlePath, const std::string& url);

}  // namespace platform::macos
