#include "platform/linux/input_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/timing.h"

namespace platform {
namespace {

constexpr unsigned pollMilliseconds = 20;

// The descriptor of the held lock, or -1.
int heldLock = -1;

bool ownPrivateDirectory(const char* path) {
    struct stat facts {};
    return path && path[0] == '/' && stat(path, &facts) == 0 && S_ISDIR(facts.st_mode) && facts.st_uid == getuid();
}

}  // namespace

std::string inputLockFileName(std::string_view displayName) {
    const std::size_t colon = displayName.rfind(':');
    std::string_view host = colon == std::string_view::npos ? std::string_view() : displayName.substr(0, colon);
    std::string_view number = colon == std::string_view::npos ? displayName : displayName.substr(colon + 1);
    if (host == "unix" || host == "localhost" || host == "127.0.0.1") host = {};
    if (const std::size_t dot = number.find('.'); dot != std::string_view::npos) number = number.substr(0, dot);
    std::string name = "tavik-ax-input-";
    for (const char c : std::string(host) + ":" + std::string(number)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '-' || c == ':' || c == '_';
        name.push_back(plain ? c : '_');
    }
    return name + ".lock";
}

std::string inputLockPath(std::string_view displayName) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (ownPrivateDirectory(runtime)) return std::string(runtime) + "/" + inputLockFileName(displayName);
    // A shared folder: each user has a lock file of their own.
    return "/tmp/" + std::to_string(getuid()) + "-" + inputLockFileName(displayName);
}

bool acquireInputLock(std::string_view displayName, unsigned timeoutMilliseconds) {
    if (heldLock >= 0) return true;
    const std::string path = inputLockPath(displayName);
    // No link is followed: in a shared folder it could point anywhere.
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    // A folder where no lock file can be made (read-only, or a foreign
    // link in the way) must not stop typing altogether: the run types
    // without taking turns.
    if (descriptor < 0) return true;
    for (unsigned waited = 0;; waited += pollMilliseconds) {
        if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            heldLock = descriptor;
            return true;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= timeoutMilliseconds) break;
        sleepMicroseconds(pollMilliseconds * 1000);
    }
    close(descriptor);
    return false;
}

void releaseInputLock() {
    if (heldLock < 0) return;
    flock(heldLock, LOCK_UN);
    close(heldLock);
    heldLock = -1;
}

}  // namespace platform
