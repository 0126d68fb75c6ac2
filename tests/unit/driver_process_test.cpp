// The driver's own answers, checked on the built program as a process:
// exactly one line on stdout, nothing on stderr, the exit status.

#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "main/driver.h"

namespace {

struct ProcessOutput {
    std::string out;
    std::string err;
    int status = -1;
};

ProcessOutput runBinary(const std::vector<std::string>& operands) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    std::vector<std::string> argvText{TAVIK_BINARY};
    argvText.insert(argvText.end(), operands.begin(), operands.end());
    std::vector<char*> argv;
    for (std::string& text : argvText) argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, TAVIK_BINARY, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    ProcessOutput output;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&output.out, &output.err};
    int open = 2;
    while (spawned == 0 && open > 0 && poll(fds, 2, 10000) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) output.status = WEXITSTATUS(status);
    return output;
}

const std::string available =
    ". Available: check-permission, list-windows, activate, read-tree, find, click, click-xy, type, scroll, navigate, "
    "screenshot";

TEST(DriverProcess, UsageAndUnknownCommands) {
    const struct {
        std::vector<std::string> operands;
        std::string message;
    } cases[] = {
        {{}, "Usage: tavik-ax <command> [options]"},
        {{""}, "Unknown command: " + available},
        {{"LIST-WINDOWS"}, "Unknown command: LIST-WINDOWS" + available},
        {{" list-windows"}, "Unknown command:  list-windows" + available},
        {{"list"}, "Unknown command: list" + available},
        // The commands added later are names exactly as well.
        {{"Key"}, "Unknown command: Key" + available},
        {{"move"}, "Unknown command: move" + available},
        {{"say \"hi\" \\ /x"}, "Unknown command: say \"hi\" \\ /x" + available},
        {{"tab\tnew\nline\x01"}, "Unknown command: tab\tnew\nline\x01" + available},
        {{"bad\xFF\xC3"}, "Unknown command: bad\xEF\xBF\xBD\xEF\xBF\xBD" + available},
    };
    for (const auto& c : cases) {
        const ProcessOutput output = runBinary(c.operands);
        const std::string label = c.operands.empty() ? "(none)" : c.operands[0];
        EXPECT_EQ(output.status, 1) << label;
        EXPECT_EQ(output.err, "") << label;
        ASSERT_FALSE(output.out.empty()) << label;
        EXPECT_EQ(output.out.back(), '\n') << label;
        EXPECT_EQ(output.out.find('\n'), output.out.size() - 1) << "one line only: " << label;
        const auto document = nlohmann::json::parse(output.out);
        EXPECT_EQ(document, (nlohmann::json{{"error", c.message}})) << label;
    }
}

TEST(DriverProcess, EscapesTheCommandNameInItsText) {
    EXPECT_EQ(runBinary({"a/\"b"}).out, "{\"error\":\"Unknown command: a\\/\\\"b" + available + "\"}\n");
}

TEST(Driver, ExactNamesSelectTheirHandlerAndIgnoreExtraWords) {
    EXPECT_EQ(runDriver({"tavik-ax", "list-windows", "more", "words"}).status, 0);
    EXPECT_EQ(runDriver({"tavik-ax", "list-windows", "more", "words"}).document.front(), '[');
    EXPECT_EQ(runDriver({"tavik-ax", "activate"}).document, R"({"error":"Usage: tavik-ax activate <pid>"})");
    EXPECT_EQ(runDriver({"tavik-ax", "key"}).document, R"({"error":"Usage: tavik-ax key <combo> [<combo>...]"})");
    EXPECT_EQ(runDriver({"tavik-ax", "move-xy"}).document, R"({"error":"Usage: tavik-ax move-xy <x> <y>"})");
    EXPECT_EQ(runDriver({"tavik-ax", "drag-xy"}).document,
              R"({"error":"Usage: tavik-ax drag-xy <x1> <y1> <x2> <y2>"})");
    EXPECT_EQ(runDriver({"tavik-ax", "pointer", "extra"}).document.front(), '{');
}

}  // namespace
