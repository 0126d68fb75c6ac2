#include <cstdlib>

#include "platform/files.h"

namespace platform {

// $TMPDIR when it is an absolute path, otherwise /tmp.
std::string temporaryDirectory() {
    const char* configured = std::getenv("TMPDIR");
    std::string path = configured && configured[0] == '/' ? configured : "/tmp";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace platform
