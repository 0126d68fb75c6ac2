#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Launching the program that opens an address, and waiting for it.
namespace platform {

struct ProcessCommand {
    std::string program;                 // absolute path, run without a shell
    std::vector<std::string> arguments;  // after the program name
};

// The command that makes the running application that owns pid open url
// itself, or none: no such application can be found, or it is one that
// does not declare it opens web addresses (then notAWebBrowser is set).
struct OpenerLookup {
    std::optional<ProcessCommand> command;
    bool notAWebBrowser = false;
};
OpenerLookup openerCommand(std::int32_t pid, const std::string& url);

struct LaunchResult {
    std::optional<std::int64_t> process;  // set when the process started
    std::string errorDescription;         // the platform's text otherwise
};

// Starts the command in the root folder (never the caller's working
// directory); its output can never mix with the one document on this
// process's standard output (the Linux backend sends it to /dev/null).
LaunchResult launchProcess(const ProcessCommand& command);

// Waits for a launched process to end and returns its exit status.
std::int32_t waitForProcessExit(std::int64_t process);

}  // namespace platform
