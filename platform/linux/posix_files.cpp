// The screenshot files. The temporary directory is usually the shared
// /tmp, so the shots folder must be one this user really owns and the
// files must never be written through a link planted by someone else.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include "platform/files.h"

namespace platform {

std::string temporaryDirectory() {
    const char* configured = std::getenv("TMPDIR");
    std::string path = configured && configured[0] == '/' ? configured : "/tmp";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool ensurePrivateDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0700) == 0) return true;
    if (errno != EEXIST) return false;
    // An existing entry counts only when it is a real directory of ours:
    // lstat does not follow a symbolic link someone else planted there.
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return false;
    return S_ISDIR(status.st_mode) && status.st_uid == geteuid();
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // O_NONBLOCK: a FIFO at the path fails at once instead of hanging.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) return false;
    struct stat status {};
    bool ok = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    return close(fd) == 0 && ok;
}

namespace {

// Fills buffer from the kernel's random source; false when it is unavailable.
bool systemRandomBytes(unsigned char* buffer, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = getrandom(buffer + done, length - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

std::string newUuidString() {
    unsigned char bytes[16];
    if (!systemRandomBytes(bytes, sizeof bytes)) {
        std::random_device device;
        for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
    }
    return text;
}

}  // namespace platform
