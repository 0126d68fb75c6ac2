#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/files.h"

namespace platform {

// $TMPDIR when it is an absolute path. Otherwise a folder of this user's
// own in /tmp: a folder shared by every user there would belong to the
// first one who made it, and nobody else could use it.
std::string temporaryDirectory() {
    const char* configured = std::getenv("TMPDIR");
    if (!configured || configured[0] != '/') return "/tmp/tavik-ax-" + std::to_string(geteuid());
    std::string path = configured;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace platform
