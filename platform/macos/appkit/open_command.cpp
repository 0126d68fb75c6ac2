#include "platform/macos/appkit/open_command.h"

namespace platform {

ProcessCommand macos::openCommand(const std::string& bundlePath, const std::string& url) {
    return ProcessCommand{"/usr/bin/open", {"-a", bundlePath, url}};
}

}  // namespace platform
