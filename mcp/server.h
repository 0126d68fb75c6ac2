#pragma once

#include <chrono>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mcp/call_runner.h"

// The MCP server's answers: one JSON-RPC message in, at most one out.
// initialize, ping, tools/list and tools/call are answered; notifications
// get no answer; anything else is the matching JSON-RPC error.
class McpServer {
public:
    // Runs one tavik-ax command line (command name first) within a time-out.
    using CommandRunner =
        std::function<RunOutcome(const std::vector<std::string>& commandLine, std::chrono::milliseconds timeout)>;
    using Log = std::function<void(const std::string&)>;

    McpServer(CommandRunner runner, std::chrono::milliseconds timeout, Log log = {});

    // The answer to one line, or nothing for a notification or a response.
    std::optional<nlohmann::json> handle(std::string_view line);

    // The answer to a line longer than the server reads.
    static nlohmann::json tooLongAnswer(std::size_t limit);

private:
    nlohmann::json request(const nlohmann::json& id, const std::string& method, const nlohmann::json& params);
    nlohmann::json initialize(const nlohmann::json& id, const nlohmann::json& params);
    nlohmann::json callTool(const nlohmann::json& id, const nlohmann::json& params);
    void log(const std::string& line) const;

    CommandRunner runner_;
    std::chrono::milliseconds timeout_;
    Log log_;
};
