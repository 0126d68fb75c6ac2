#pragma once

// The command that hands an address to a running browser: that browser's
// own executable, started with the address and with those options of the
// running process's command line that select its profile and its sandbox
// mode (an allow-list), so that it reaches the running instance, passes the
// address on and exits. Never the running process's page arguments, and
// only for a program that an installed application declares opens web
// addresses.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace platform::browser {

enum class Family { chromium, gecko, epiphany, other };

struct ProcessFacts {
    std::string executable;                // absolute path of its program
    Family family = Family::other;         // of that program
    std::vector<std::string> commandLine;  // as the process shows it, program first
    std::string workingDirectory;          // empty when unknown
    std::int32_t parent = 0;
};

// What the opener learns about processes and files: /proc and the file
// system in the program, a table in the tests.
class ProcessSource {
public:
    virtual ~ProcessSource() = default;
    virtual std::optional<ProcessFacts> facts(std::int32_t pid) const = 0;
    virtual std::optional<std::string> linkTarget(const std::string& path) const = 0;
    virtual bool isDirectory(const std::string& path) const = 0;
    // Whether an installed application that declares it opens web
    // addresses runs this program.
    virtual bool opensWebAddresses(const std::string& executable) const = 0;
};

// The opener for the browser that owns pid (a helper process such as a
// renderer leads to its browser process), or nothing when there is no
// browser to reach.
OpenerLookup openerFor(std::int32_t pid, const std::string& url, const ProcessSource& source);

}  // namespace platform::browser
