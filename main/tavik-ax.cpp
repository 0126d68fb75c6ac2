// Process entry: one command, one JSON document and a line feed on
// standard output, exit status 0 or 1.

#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "main/driver.h"

namespace {

// Writes all of text, retrying short writes; a closed pipe simply ends it.
void writeAll(const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that went away must not kill the run by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    Arguments arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) arguments.push_back(toValidUtf8(argv[i]));
    CommandResult result = runDriver(arguments);
    result.document.push_back('\n');
    writeAll(result.document);
    return result.status;
}
