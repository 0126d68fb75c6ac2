#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The running applications of the desktop session.
namespace platform {

enum class ActivationPolicy { regular = 0, accessory = 1, prohibited = 2 };

struct RunningApplication {
    ActivationPolicy policy = ActivationPolicy::prohibited;
    std::optional<std::string> localizedName;
    std::int32_t pid = 0;
};

// Every running application, in the platform's order.
std::vector<RunningApplication> runningApplications();

// The bundle or executable path of the application that owns a process,
// or nothing when there is none or it cannot be relaunched.
std::optional<std::string> applicationPathForPid(std::int32_t pid);

}  // namespace platform
