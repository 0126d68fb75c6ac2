// Placeholder: the application of a process and the opener.
#include "platform/applications.h"
#include "platform/processes.h"

namespace platform {

std::optional<std::string> applicationPathForPid(std::int32_t) { return std::nullopt; }
ProcessCommand openerCommand(const std::string& appPath, const std::string& url) { return {appPath, {url}}; }
LaunchResult launchProcess(const ProcessCommand&) { return {std::nullopt, "not available"}; }
std::int32_t waitForProcessExit(std::int64_t) { return -1; }

}  // namespace platform
