// The screenshot files. The temporary directory is usually the shared
// /tmp, so the shots folder must be one this user really owns and the
// files must never be written through a link planted by someone else.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>
#include <variant>

#include "platform/files.h"

namespace platform {

namespace {

// A descriptor closed on scope exit.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    int get() const noexcept { return fd_; }
    int release() noexcept { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::string failure(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

// Whether users other than the owner may add entries to the open folder
// (/tmp, /var/tmp): any name in it may have been planted by someone else.
bool othersMayWrite(int folder) {
    struct stat status {};
    return fstat(folder, &status) != 0 || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// The folders of path from the root, each opened relative to the one
// before, so that nothing can be swapped in between the checks and the
// use. Missing folders are created for this user only. The user's own
// links on the way (a TMPDIR under a linked folder) are followed, except
// for the last folder and any folder in one that others may write to
// (this user's folder in /tmp): those must be real directories of this
// user. The last one is made private.
std::variant<Descriptor, std::string> openPrivateFolder(const std::string& path) {
    if (path.empty() || path.front() != '/') return "the folder " + path + " is not an absolute path";
    Descriptor current(open("/", O_DIRECTORY | O_RDONLY | O_CLOEXEC));
    if (current.get() < 0) return failure("could not open", "/", errno);
    std::size_t start = 1;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".") continue;
        const bool last = start >= path.size();
        const bool mustBeOurs = last || othersMayWrite(current.get());
        const int flags = O_DIRECTORY | O_RDONLY | O_CLOEXEC | (mustBeOurs ? O_NOFOLLOW : 0);
        int next = openat(current.get(), name.c_str(), flags);
        if (next < 0 && errno == ENOENT) {
            if (mkdirat(current.get(), name.c_str(), 0700) != 0 && errno != EEXIST) {
                return failure("could not create the folder", path.substr(0, end), errno);
            }
            next = openat(current.get(), name.c_str(), flags);
        }
        const std::string folder = path.substr(0, end);
        if (next < 0) {
            if (mustBeOurs && (errno == ELOOP || errno == ENOTDIR)) return "the folder " + folder + " is not a real directory";
            return failure("could not open the folder", folder, errno);
        }
        current = Descriptor(next);
        if (!mustBeOurs) continue;
        struct stat status {};
        if (fstat(current.get(), &status) != 0) return failure("could not check the folder", folder, errno);
        if (!S_ISDIR(status.st_mode) || status.st_uid != geteuid()) {
            return "the folder " + folder + " does not belong to this user";
        }
        if (last && (status.st_mode & 07777) != 0700 && fchmod(current.get(), 0700) != 0) {
            return failure("could not make private the folder", folder, errno);
        }
    }
    return current;
}

bool writeWhole(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

FileFailure storeNewPrivateFile(const std::string& folderPath, const std::string& name,
                                const std::vector<std::uint8_t>& bytes) {
    auto folder = openPrivateFolder(folderPath);
    if (auto* problem = std::get_if<std::string>(&folder)) return *problem;
    const int directory = std::get<Descriptor>(folder).get();
    const std::string path = folderPath + "/" + name;

    // Written under a name of its own, then linked under the real name,
    // which fails rather than replace a file that is already there.
    const std::string partial = "." + name + ".partial";
    Descriptor file(openat(directory, partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0) return failure("could not create", folderPath + "/" + partial, errno);
    int error = 0;
    if (!writeWhole(file.get(), bytes)) error = errno;
    if (close(file.release()) != 0 && error == 0) error = errno;
    if (error == 0 && linkat(directory, partial.c_str(), directory, name.c_str(), 0) != 0) error = errno;
    unlinkat(directory, partial.c_str(), 0);
    if (error != 0) return failure("could not write", path, error);
    return std::nullopt;
}

namespace {

// Fills buffer from the kernel's random source; false when it is unavailable.
bool systemRandomBytes(unsigned char* buffer, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
#if defined(__linux__)
        const ssize_t got = getrandom(buffer + done, length - done, 0);
#else
        // Systems without getrandom (Darwin) have getentropy, at most 256 bytes a call.
        const std::size_t want = std::min<std::size_t>(length - done, 256);
        const ssize_t got = getentropy(buffer + done, want) == 0 ? static_cast<ssize_t>(want) : -1;
#endif
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
