// The executable of a process, from the kernel (libproc).
#include <libproc.h>

#include "platform/macos/appkit/bundle_path.h"

namespace platform::macos {

std::optional<std::string> bundlePathOfProcess(std::int32_t pid) {
    char path[PROC_PIDPATHINFO_MAXSIZE] = {};
    const int length = proc_pidpath(pid, path, sizeof path);
    if (length <= 0) return std::nullopt;
    return bundlePathOfExecutable(std::string_view(path, static_cast<std::size_t>(length)));
}

}  // namespace platform::macos
