#include "platform/applications.h"
#include "platform/macos/appkit/open_command.h"
#include "platform/processes.h"

namespace platform {

// Any application with a bundle is handed the address, as "open -a" does.
OpenerLookup openerCommand(std::int32_t pid, const std::string& url) {
    const auto bundle = applicationPathForPid(pid);
    if (!bundle) return {};
    return {macos::openCommand(*bundle, url), false};
}

}  // namespace platform
