#include "mcp/call_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace {

// More than any document of the tool; a child printing past it is stopped.
constexpr std::size_t kMaxOutput = 256u * 1024 * 1024;
// How long a stopped command may take to put the desktop back (type and
// click undo remapped keys and held buttons on SIGTERM) before it is killed.
constexpr int kTerminateGraceMs = 2000;

using Clock = std::chrono::steady_clock;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// A posix_spawn attribute object (file actions, attributes): set up on
// construction, released on destruction.
template <typename Object, int (*Init)(Object*), int (*Destroy)(Object*)>
class SpawnObject {
public:
    SpawnObject() { ok_ = Init(&object_) == 0; }
    SpawnObject(const SpawnObject&) = delete;
    SpawnObject& operator=(const SpawnObject&) = delete;
    ~SpawnObject() {
        if (ok_) Destroy(&object_);
    }
    bool ok() const { return ok_; }
    Object* get() { return &object_; }

private:
    Object object_{};
    bool ok_ = false;
};

using SpawnFileActions =
    SpawnObject<posix_spawn_file_actions_t, posix_spawn_file_actions_init, posix_spawn_file_actions_destroy>;
using SpawnAttributes = SpawnObject<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

// A descriptor that becomes readable when the child ends (Linux 5.3 on);
// elsewhere -1, and the child's end is looked for by polling.
int pidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// A pipe whose ends close on exec (the child gets its end through dup2).
bool closeOnExecPipe(int ends[2]) {
    if (::pipe(ends) != 0) return false;
    ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    return true;
}

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60 * 60 * 1000));
}

// Reads what the pipe holds now; false at its end (or on an error).
bool drain(int fd, std::string& output) {
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            output.append(buffer, static_cast<std::size_t>(got));
            if (output.size() > kMaxOutput) return false;
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        return false;
    }
}

// Whether the child has ended, waiting at most timeoutMs (with a pidfd), or
// looking once (without).
bool childEnded(pid_t pid, int pidfd, int timeoutMs) {
    if (pidfd >= 0) {
        pollfd ended{pidfd, POLLIN, 0};
        int ready;
        do ready = ::poll(&ended, 1, timeoutMs);
        while (ready < 0 && errno == EINTR);
        return ready > 0;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
            return true;
        if (Clock::now() >= deadline) return false;
        ::usleep(5000);
    }
}

// Stops the child's whole group: SIGTERM first, so that a command can put
// the desktop back, then SIGKILL for whatever is left of the group.
void stopGroup(pid_t pid, int pidfd) {
    ::kill(-pid, SIGTERM);
    childEnded(pid, pidfd, kTerminateGraceMs);
    ::kill(-pid, SIGKILL);
}

int reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

RunOutcome runCommand(const RunSettings& settings, const std::vector<std::string>& arguments) {
    RunOutcome outcome;
    int ends[2];
    if (!closeOnExecPipe(ends)) {
        outcome.code = errno;
        return outcome;
    }
    FileDescriptor reader(ends[0]);
    FileDescriptor writer(ends[1]);
    ::fcntl(reader.get(), F_SETFL, ::fcntl(reader.get(), F_GETFL) | O_NONBLOCK);

    SpawnFileActions actions;
    SpawnAttributes attributes;
    if (!actions.ok() || !attributes.ok()) {
        outcome.code = ENOMEM;
        return outcome;
    }
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), writer.get(), STDOUT_FILENO);
    if (!settings.passStandardError)
        posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    // Its own process group, so a time-out stops whatever it started too;
    // default signal handling and no blocked signals, whatever ours are.
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setpgroup(attributes.get(), 0);
    posix_spawnattr_setsigdefault(attributes.get(), &all);
    posix_spawnattr_setsigmask(attributes.get(), &none);
    posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const auto deadline = Clock::now() + settings.timeout;
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, settings.program.c_str(), actions.get(), attributes.get(), argv.data(), environ);
    writer.reset();
    if (spawned != 0) {
        outcome.code = spawned;
        return outcome;
    }
    FileDescriptor pidfd(pidfdOpen(pid));

    // Until the child ends: a program it started may hold the pipe open
    // for longer, so the pipe's end alone is not the child's end.
    bool pipeOpen = true;
    bool ended = false;
    bool overflowed = false;
    bool interrupted = false;
    while (!ended) {
        if (settings.stopRequested && *settings.stopRequested) {
            interrupted = true;
            break;
        }
        const int waitMs = millisecondsUntil(deadline);
        if (waitMs == 0) break;
        pollfd watched[2] = {{reader.get(), POLLIN, 0}, {pidfd.get(), POLLIN, 0}};
        pollfd* first = pipeOpen ? &watched[0] : &watched[1];
        const nfds_t count = (pipeOpen ? 1 : 0) + (pidfd.get() >= 0 ? 1 : 0);
        if (count == 0) {
            ended = childEnded(pid, -1, waitMs);
            break;
        }
        const int ready = ::poll(first, count, pidfd.get() < 0 ? std::min(waitMs, 20) : waitMs);
        if (ready < 0 && errno != EINTR) break;
        if (pipeOpen && watched[0].revents != 0) {
            pipeOpen = drain(reader.get(), outcome.output);
            if (outcome.output.size() > kMaxOutput) {
                overflowed = true;
                break;
            }
        }
        if (pidfd.get() >= 0 ? watched[1].revents != 0 : childEnded(pid, -1, 0)) {
            // What it wrote before it ended is all in the pipe.
            if (pipeOpen) drain(reader.get(), outcome.output);
            ended = true;
        }
    }

    if (!ended || overflowed) {
        stopGroup(pid, pidfd.get());
        reap(pid);
        outcome.end = overflowed    ? RunOutcome::End::TooMuchOutput
                      : interrupted ? RunOutcome::End::Interrupted
                                    : RunOutcome::End::TimedOut;
        return outcome;
    }
    const int status = reap(pid);
    if (WIFSIGNALED(status)) {
        outcome.end = RunOutcome::End::Signalled;
        outcome.code = WTERMSIG(status);
    } else {
        outcome.end = RunOutcome::End::Exited;
        outcome.code = WEXITSTATUS(status);
    }
    return outcome;
}
