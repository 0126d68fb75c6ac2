// Process entry: one command, one JSON document and a line feed on
// standard output, exit status 0 or 1.

#include <csignal>

#include "main/driver.h"
#include "main/standard_streams.h"

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
