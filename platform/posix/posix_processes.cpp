// The program that opens an address in a running application, started
// through posix_spawn (no shell ever sees the address), and waiting for it.
// Which program that is, is each backend's own business.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/processes.h"
#include "platform/timing.h"

extern char** environ;

namespace platform {
namespace {

// How long navigate waits for the opener. A browser that is already
// running hands the address over and exits quickly; one that stays
// running as a new instance is left running after this.
constexpr std::uint32_t openerWaitMicroseconds = 3000000;
constexpr std::uint32_t openerPollMicroseconds = 10000;

// Frees the spawn settings however the launch went.
struct SpawnSettings {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSettings() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
};

// Sets up the child: the root folder as its working directory (a program
// must never find files relative to wherever our caller runs), all three
// standard streams on /dev/null, no other
// descriptor of ours, default signal handling, its own session (so it
// outlives us undisturbed when it keeps running). Its output can never mix
// with the one document on our stdout, and it holds none of our caller's
// pipes: an application that stays running as a new instance would
// otherwise keep a caller that reads our output to its end waiting until
// that application quits.
int prepare(SpawnSettings& settings) {
    int rc = posix_spawn_file_actions_addchdir_np(&settings.actions, "/");
    if (rc == 0) rc = posix_spawn_file_actions_addopen(&settings.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (rc == 0) rc = posix_spawn_file_actions_addopen(&settings.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (rc == 0) rc = posix_spawn_file_actions_adddup2(&settings.actions, STDOUT_FILENO, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    if (rc == 0) rc = posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1);
#endif
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID;
#if defined(POSIX_SPAWN_CLOEXEC_DEFAULT)
    // Darwin: every descriptor the file actions do not name is closed.
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
#endif
    sigset_t noSignals;
    sigset_t allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    if (rc == 0) rc = posix_spawnattr_setsigmask(&settings.attributes, &noSignals);
    if (rc == 0) rc = posix_spawnattr_setsigdefault(&settings.attributes, &allSignals);
    if (rc == 0) rc = posix_spawnattr_setflags(&settings.attributes, flags);
    return rc;
}

}  // namespace

LaunchResult launchProcess(const ProcessCommand& command) {
    SpawnSettings settings;
    int rc = prepare(settings);
    if (rc != 0) return {std::nullopt, std::strerror(rc)};
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(command.program.c_str()));
    for (const std::string& argument : command.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    rc = posix_spawn(&child, command.program.c_str(), &settings.actions, &settings.attributes, argv.data(), environ);
    if (rc != 0) return {std::nullopt, std::strerror(rc)};
    return {static_cast<std::int64_t>(child), {}};
}

// The exit status (128 + the signal for a killed process); a process still
// running after the bounded wait counts as having opened the address.
std::int32_t waitForProcessExit(std::int64_t process) {
    const auto pid = static_cast<pid_t>(process);
    for (std::uint32_t waited = 0;; waited += openerPollMicroseconds) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            if (WIFEXITED(status)) return WEXITSTATUS(status);
            if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
            continue;
        }
        if (ended < 0 && errno != EINTR) return -1;
        if (waited >= openerWaitMicroseconds) return 0;
        sleepMicroseconds(openerPollMicroseconds);
    }
}

}  // namespace platform
