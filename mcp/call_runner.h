#pragma once

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

// Runs one tavik-ax command as a child process in a process group of its
// own: standard input /dev/null, standard output captured, standard error
// discarded (or passed on to ours), and the whole group stopped when the
// time-out passes. A crash or hang of the command cannot reach the server.

struct RunOutcome {
    enum class End {
        Exited,         // code: the exit status
        Signalled,      // code: the signal that ended it
        TimedOut,       // stopped after the time-out
        TooMuchOutput,  // stopped after printing more than the server keeps
        NotStarted,     // code: the errno of the failed start
        Interrupted,    // stopped because the server is being stopped
    };
    End end = End::NotStarted;
    int code = 0;
    std::string output;
};

struct RunSettings {
    std::string program;
    std::chrono::milliseconds timeout{30000};
    bool passStandardError = false;
    // Set (by a signal handler) when the server itself is asked to stop:
    // the command is stopped as at its time-out.
    const volatile std::sig_atomic_t* stopRequested = nullptr;
};

// arguments[0] is the program name the child sees.
RunOutcome runCommand(const RunSettings& settings, const std::vector<std::string>& arguments);
