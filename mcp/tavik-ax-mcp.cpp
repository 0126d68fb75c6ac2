// tavik-ax-mcp: the commands of tavik-ax as Model Context Protocol tools,
// over standard input and output (one JSON-RPC message per line). Each
// call runs the tavik-ax program beside this one as a child process.
//
//   tavik-ax-mcp [--timeout-ms N] [--verbose] [--tavik-ax PATH]
//   tavik-ax-mcp --version

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <variant>

#include "main/standard_streams.h"
#include "mcp/call_runner.h"
#include "mcp/jsonrpc.h"
#include "mcp/line_reader.h"
#include "mcp/server.h"

#ifndef TAVIK_VERSION
#error "TAVIK_VERSION is defined by the build (the project version in CMakeLists.txt)"
#endif

namespace {

constexpr std::size_t kMaxRequestBytes = 10u * 1024 * 1024;
constexpr const char* kUsage = "Usage: tavik-ax-mcp [--timeout-ms N] [--verbose] [--tavik-ax PATH]\n";

struct Options {
    RunSettings run;
    bool verbose = false;
    // Print {"version":"X.Y.Z"} instead of serving.
    bool version = false;
};

// This program's own path: /proc/self/exe where there is one, else the
// path it was started by (searched on PATH when it has no slash).
std::string ownPath(const char* argv0) {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0) return std::string(path, static_cast<std::size_t>(length));
    const std::string name = argv0 ? argv0 : "";
    if (name.find('/') != std::string::npos) return name;
    const char* search = std::getenv("PATH");
    std::string folders = search ? search : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return name;
}

// tavik-ax in the folder of this program.
std::string programBesideThisOne(const char* argv0) {
    const std::string self = ownPath(argv0);
    const auto slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/tavik-ax";
}

std::optional<long long> positiveNumber(const char* text) {
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value <= 0) return std::nullopt;
    return value;
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    options.run.program = programBesideThisOne(argc > 0 ? argv[0] : nullptr);
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--verbose") {
            options.verbose = true;
        } else if (option == "--version") {
            options.version = true;
        } else if (option == "--timeout-ms" && i + 1 < argc) {
            const auto value = positiveNumber(argv[++i]);
            if (!value) return std::nullopt;
            options.run.timeout = std::chrono::milliseconds(*value);
        } else if (option == "--tavik-ax" && i + 1 < argc) {
            options.run.program = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    options.run.passStandardError = options.verbose;
    return options;
}

bool send(const nlohmann::json& message) { return writeAll(jsonrpc::serialise(message) + "\n"); }

volatile std::sig_atomic_t callRunning = 0;
volatile std::sig_atomic_t stopSignal = 0;

// A host stops the server with SIGTERM (or a terminal with SIGINT or
// SIGHUP): between calls the server ends at once; during one, the command's
// process group is stopped first (it would otherwise go on typing or
// clicking for a server that is gone), and then the server ends by the signal.
extern "C" void onStopSignal(int signalNumber) {
    if (!callRunning) {
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    stopSignal = signalNumber;
}

void handleStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: the call's wait returns to look at the flag
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signalNumber, &action, nullptr);
}

[[noreturn]] void endBy(int signalNumber) {
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
    std::_Exit(128 + signalNumber);
}

}  // namespace

int main(int argc, char** argv) {
    reopenClosedStandardStreams();
    std::signal(SIGPIPE, SIG_IGN);
    handleStopSignals();
    const auto options = parseOptions(argc, argv);
    if (!options) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (options->version) return writeAll(nlohmann::json{{"version", TAVIK_VERSION}}.dump() + "\n") ? 0 : 1;
    McpServer::Log log;
    if (options->verbose) {
        log = [](const std::string& line) { std::cerr << "tavik-ax-mcp: " << line << std::endl; };
        log("running " + options->run.program + ", time-out " + std::to_string(options->run.timeout.count()) + " ms");
    }
    const RunSettings run = options->run;
    McpServer server(
        [run](const std::vector<std::string>& commandLine, std::chrono::milliseconds timeout) {
            std::vector<std::string> arguments{run.program};
            arguments.insert(arguments.end(), commandLine.begin(), commandLine.end());
            RunSettings settings = run;
            settings.timeout = timeout;
            settings.stopRequested = &stopSignal;
            callRunning = 1;
            RunOutcome outcome = runCommand(settings, arguments);
            callRunning = 0;
            if (stopSignal != 0) endBy(stopSignal);
            return outcome;
        },
        run.timeout, log);

    LineReader reader(STDIN_FILENO, kMaxRequestBytes);
    for (;;) {
        const LineReader::Next next = reader.next();
        if (std::holds_alternative<LineReader::End>(next)) break;
        std::optional<nlohmann::json> answer;
        if (const auto* line = std::get_if<LineReader::Line>(&next)) {
            answer = server.handle(line->text);
        } else {
            if (log) log("skipped a line longer than the limit");
            answer = McpServer::tooLongAnswer(kMaxRequestBytes);
        }
        // The host is gone when its end of the pipe is.
        if (answer && !send(*answer)) return 1;
    }
    return 0;
}
