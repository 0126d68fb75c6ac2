#pragma once

#include <chrono>
#include <string>
#include <vector>

// Runs one tavik-ax command as a child process in a process group of its
// own: standard input /dev/null, standard output captured, standard error
// discarded (or passed on to ours), and the whole group stopped when the
// time-out passes. A crash or hang of the command cannot reach the server.

struct RunOutcome {
    enum class End {
        Exited,      // code: the exit status
        Signalled,   // code: the signal that ended it
        TimedOut,    // stopped after the time-out
        TooMuchOutput,  // stopped after printing more than the server keeps
        NotStarted,  // code: the errno of the failed start
    };
    End end = End::NotStarted;
    int code = 0;
    std::string output;
};

struct RunSettings {
    std::string program;
    std::chrono::milliseconds timeout{30000};
    bool passStandardError = false;
};

// arguments[0] is the program name the child sees.
RunOutcome runCommand(const RunSettings& settings, const std::vector<std::string>& arguments);
