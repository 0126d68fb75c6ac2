#include "platform/linux/sway/ipc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform::sway {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view magic = "i3-ipc";
constexpr std::size_t headerLength = magic.size() + 8;

class Socket {
public:
    Socket() : descriptor_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
    ~Socket() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

// Waits until the socket is ready for events or the deadline passes.
bool ready(int descriptor, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd watched{descriptor, events, 0};
        const int result = ::poll(&watched, 1, static_cast<int>(left));
        if (result > 0) return (watched.revents & (events | POLLHUP | POLLERR)) != 0;
        if (result < 0 && errno != EINTR) return false;
    }
}

bool connectBy(int descriptor, const std::string& path, Clock::time_point deadline) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return true;
    if (errno != EINPROGRESS && errno != EAGAIN && errno != EINTR) return false;
    if (!ready(descriptor, POLLOUT, deadline)) return false;
    int error = 0;
    socklen_t length = sizeof(error);
    return ::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

bool sendAll(int descriptor, std::string_view data, Clock::time_point deadline) {
    while (!data.empty()) {
        const ssize_t sent = ::send(descriptor, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!ready(descriptor, POLLOUT, deadline)) return false;
        } else {
            return false;
        }
    }
    return true;
}

bool receiveAll(int descriptor, char* into, std::size_t length, Clock::time_point deadline) {
    while (length > 0) {
        const ssize_t got = ::recv(descriptor, into, length, 0);
        if (got > 0) {
            into += got;
            length -= static_cast<std::size_t>(got);
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!ready(descriptor, POLLIN, deadline)) return false;
        } else {
            return false;  // closed early, or an error
        }
    }
    return true;
}

void putLittleEndian(std::string& into, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) into.push_back(static_cast<char>((value >> shift) & 0xff));
}

std::uint32_t littleEndianAt(const char* bytes) {
    std::uint32_t value = 0;
    for (int index = 3; index >= 0; --index) value = (value << 8) | static_cast<unsigned char>(bytes[index]);
    return value;
}

}  // namespace

std::string frame(MessageType type, std::string_view payload) {
    std::string framed(magic);
    putLittleEndian(framed, static_cast<std::uint32_t>(payload.size()));
    putLittleEndian(framed, static_cast<std::uint32_t>(type));
    framed.append(payload);
    return framed;
}

std::optional<std::string> exchange(const std::string& socketPath, MessageType type, std::string_view payload,
                                    std::chrono::milliseconds timeLimit) {
    if (payload.size() > replyLengthLimit) return std::nullopt;
    const auto deadline = Clock::now() + timeLimit;
    Socket socket;
    if (socket.get() < 0 || !connectBy(socket.get(), socketPath, deadline)) return std::nullopt;
    if (!sendAll(socket.get(), frame(type, payload), deadline)) return std::nullopt;
    char header[headerLength];
    if (!receiveAll(socket.get(), header, headerLength, deadline)) return std::nullopt;
    if (std::string_view(header, magic.size()) != magic) return std::nullopt;
    const std::uint32_t length = littleEndianAt(header + magic.size());
    const std::uint32_t replyType = littleEndianAt(header + magic.size() + 4);
    if (replyType != static_cast<std::uint32_t>(type) || length > replyLengthLimit) return std::nullopt;
    std::string reply(length, '\0');
    if (!receiveAll(socket.get(), reply.data(), length, deadline)) return std::nullopt;
    return reply;
}

std::optional<std::string> request(MessageType type, std::string_view payload) {
    const char* path = std::getenv("SWAYSOCK");
    if (!path || !*path) return std::nullopt;
    return exchange(path, type, payload);
}

}  // namespace platform::sway
