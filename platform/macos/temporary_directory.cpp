// The temporary directory as NSTemporaryDirectory gives it: $TMPDIR, else
// this user's own temporary folder that the system names.
#include <unistd.h>

#include <cstdlib>

#include "platform/files.h"

namespace platform {

std::string temporaryDirectory() {
    std::string path;
    if (const char* configured = std::getenv("TMPDIR"); configured && configured[0] == '/') {
        path = configured;
    } else {
        char buffer[1024] = {};
        const std::size_t length = confstr(_CS_DARWIN_USER_TEMP_DIR, buffer, sizeof buffer);
        path = length > 0 && length <= sizeof buffer && buffer[0] == '/' ? buffer : "/tmp";
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace platform
