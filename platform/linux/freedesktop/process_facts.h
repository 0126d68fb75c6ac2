#pragma once

#include "platform/linux/freedesktop/browser_opener.h"

namespace platform {

// What /proc and the file system tell about running processes.
class ProcProcessSource final : public browser::ProcessSource {
public:
    std::optional<browser::ProcessFacts> facts(std::int32_t pid) const override;
    std::optional<std::string> linkTarget(const std::string& path) const override;
    bool isDirectory(const std::string& path) const override;
    bool opensWebAddresses(const std::string& executable) const override;
};

}  // namespace platform
