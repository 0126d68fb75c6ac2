// The driver's own answers, checked on the built program as a process:
// exactly one line on stdout, nothing on stderr, the exit status.

#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

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
        // The two options are exact words too.
        {{"--Version"}, "Unknown command: --Version" + available},
        {{"-h"}, "Unknown command: -h" + available},
        {{"help"}, "Unknown command: help" + available},
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

TEST(DriverProcess, VersionAndHelpAreOneDocumentWithStatusZero) {
    const ProcessOutput version = runBinary({"--version", "extra", "words"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(version.out, std::string(R"({"version":")") + TAVIK_VERSION + "\"}\n");
    EXPECT_TRUE(std::regex_match(TAVIK_VERSION, std::regex(R"([0-9]+\.[0-9]+\.[0-9]+)"))) << TAVIK_VERSION;

    const ProcessOutput help = runBinary({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    ASSERT_FALSE(help.out.empty());
    EXPECT_EQ(help.out.find('\n'), help.out.size() - 1) << "one line only";
    const auto document = nlohmann::json::parse(help.out);
    ASSERT_EQ(document.size(), 1u);
    ASSERT_TRUE(document.contains("usage") && document["usage"].is_array());
    for (const auto& line : document["usage"]) {
        ASSERT_TRUE(line.is_string());
        EXPECT_EQ(line.get<std::string>().rfind("tavik-ax ", 0), 0u) << line;
    }
}

// The command reference of the README: "### name `operands`" under
// "## Commands", as "tavik-ax name operands".
std::vector<std::string> readmeCommandLines() {
    std::ifstream readme(TAVIK_README);
    std::vector<std::string> lines;
    bool inCommands = false;
    const std::regex heading(R"(### ([^ `]+)(?: `(.*)`)?)");
    for (std::string line; std::getline(readme, line);) {
        if (line.rfind("## ", 0) == 0) inCommands = line == "## Commands";
        std::smatch match;
        if (!inCommands || !std::regex_match(line, match, heading)) continue;
        std::string command = "tavik-ax ";
        command.append(match[1].str());
        if (match[2].matched) command.append(" ").append(match[2].str());
        lines.push_back(command);
    }
    return lines;
}

// A command or operand added to the one and not to the other fails here.
TEST(Driver, HelpListsTheReadmesCommandReference) {
    std::vector<std::string> documented = readmeCommandLines();
    ASSERT_GE(documented.size(), 15u) << "README not found or not parsed: " << TAVIK_README;
    const auto help = nlohmann::json::parse(runDriver({"tavik-ax", "--help"}).document);
    auto listed = help["usage"].get<std::vector<std::string>>();
    std::sort(documented.begin(), documented.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, documented);
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
