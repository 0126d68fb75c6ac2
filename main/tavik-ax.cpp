// Process entry: one command, one JSON document and a line feed on
// standard output, exit status 0 or 1.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "main/driver.h"

namespace {

// A standard stream the caller closed is opened on /dev/null: otherwise the
// next file the run opens (the X connection) would take its number, and the
// document written to "standard output" would go into that.
void reopenClosedStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

// Writes all of text, retrying short writes and waiting while a
// non-blocking output is full; false when it could not all be written (a
// full device, a reader gone).
bool writeAll(const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                pollfd output{STDOUT_FILENO, POLLOUT, 0};
                if (::poll(&output, 1, -1) < 0 && errno != EINTR) return false;
                continue;
            }
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    reopenClosedStandardStreams();
    // A reader that went away, or a file-size limit reached, must not kill
    // the run by a signal: the failed write says so instead.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    Arguments arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) arguments.push_back(toValidUtf8(argv[i]));
    CommandResult result = runDriver(arguments);
    result.document.push_back('\n');
    // An answer that did not reach the caller is a failed run.
    if (!writeAll(result.document)) return 1;
    return result.status;
}
