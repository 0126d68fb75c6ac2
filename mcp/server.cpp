#include "mcp/server.h"

#include <chrono>
#include <variant>

#include "mcp/jsonrpc.h"
#include "mcp/protocol_version.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_call.h"
#include "mcp/tool_table.h"

namespace {

constexpr const char* kServerName = "tavik-ax-mcp";
// The project's version, from project() in CMakeLists.txt.
#ifndef TAVIK_VERSION
#error "TAVIK_VERSION is defined by the build (the project version in CMakeLists.txt)"
#endif
constexpr const char* kServerVersion = TAVIK_VERSION;
constexpr const char* kInstructions =
    "Operates the applications on this desktop through their accessibility tree. A typical round: "
    "list_windows to pick a pid and windowIndex, find (or read_tree) to learn an element's path, click or "
    "type with that path, then screenshot or find again to see the effect.";

// MCP ids are strings or numbers (never null).
bool validId(const nlohmann::json& id) { return id.is_string() || id.is_number(); }

}  // namespace

McpServer::McpServer(CommandRunner runner, std::chrono::milliseconds timeout, Log log)
    : runner_(std::move(runner)), timeout_(timeout), log_(std::move(log)) {}

void McpServer::log(const std::string& line) const {
    if (log_) log_(line);
}

nlohmann::json McpServer::tooLongAnswer(std::size_t limit) {
    return jsonrpc::error(nullptr, jsonrpc::kInvalidRequest,
                          "Request larger than " + std::to_string(limit / (1024 * 1024)) + " MB; it was skipped");
}

std::optional<nlohmann::json> McpServer::handle(std::string_view line) {
    const nlohmann::json message = nlohmann::json::parse(line, nullptr, false);
    if (message.is_discarded()) {
        log("parse error");
        return jsonrpc::error(nullptr, jsonrpc::kParseError, "Parse error: the line is not JSON");
    }
    if (!message.is_object()) {
        return jsonrpc::error(nullptr, jsonrpc::kInvalidRequest,
                              message.is_array() ? "Invalid request: batches are not supported"
                                                 : "Invalid request: a message is a JSON object");
    }

    const auto method = message.find("method");
    const auto id = message.find("id");
    if (method == message.end()) {
        // A response to a request of ours: the server sends none, so it is dropped.
        if (id != message.end() && (message.contains("result") || message.contains("error"))) return std::nullopt;
        return jsonrpc::error(id != message.end() && validId(*id) ? *id : nullptr, jsonrpc::kInvalidRequest,
                              "Invalid request: no method");
    }
    const auto version = message.find("jsonrpc");
    const bool wellFormed = version != message.end() && *version == "2.0" && method->is_string();
    if (id == message.end()) {
        // A notification: nothing is answered, not even a malformed one.
        if (wellFormed) log("notification " + method->get<std::string>());
        return std::nullopt;
    }
    if (!validId(*id))
        return jsonrpc::error(nullptr, jsonrpc::kInvalidRequest,
                              "Invalid request: the id must be a string or a number");
    if (!wellFormed)
        return jsonrpc::error(*id, jsonrpc::kInvalidRequest,
                              "Invalid request: \"jsonrpc\" must be \"2.0\" and \"method\" a string");

    const auto params = message.find("params");
    static const nlohmann::json kNoParams = nlohmann::json::object();
    return request(*id, method->get<std::string>(), params == message.end() ? kNoParams : *params);
}

nlohmann::json McpServer::request(const nlohmann::json& id, const std::string& method, const nlohmann::json& params) {
    log("request " + method);
    const bool known = method == "initialize" || method == "ping" || method == "tools/list" || method == "tools/call";
    if (!known) return jsonrpc::error(id, jsonrpc::kMethodNotFound, "Method not found: " + method);
    if (!params.is_object())
        return jsonrpc::error(id, jsonrpc::kInvalidParams, "Invalid params: \"params\" must be an object");

    if (method == "initialize") return initialize(id, params);
    if (method == "ping") return jsonrpc::result(id, nlohmann::json::object());
    if (method == "tools/list") {
        nlohmann::json tools = nlohmann::json::array();
        for (const Tool& tool : toolTable()) tools.push_back(describeTool(tool));
        return jsonrpc::result(id, {{"tools", tools}});
    }
    return callTool(id, params);
}

nlohmann::json McpServer::initialize(const nlohmann::json& id, const nlohmann::json& params) {
    const auto requested = params.find("protocolVersion");
    if (requested == params.end() || !requested->is_string())
        return jsonrpc::error(id, jsonrpc::kInvalidParams, "Invalid params: \"protocolVersion\" must be a string");
    const std::string version = negotiateProtocolVersion(requested->get<std::string>());
    log("initialize: client asks for " + requested->get<std::string>() + ", answered " + version);
    return jsonrpc::result(id,
                           {{"protocolVersion", version},
                            {"capabilities", {{"tools", {{"listChanged", false}}}}},
                            {"serverInfo", {{"name", kServerName}, {"title", "tavik-ax"}, {"version", kServerVersion}}},
                            {"instructions", kInstructions}});
}

nlohmann::json McpServer::callTool(const nlohmann::json& id, const nlohmann::json& params) {
    const auto name = params.find("name");
    if (name == params.end() || !name->is_string())
        return jsonrpc::error(id, jsonrpc::kInvalidParams, "Invalid params: \"name\" must be a string");
    const Tool* tool = findTool(name->get<std::string>());
    if (!tool) return jsonrpc::error(id, jsonrpc::kInvalidParams, "Unknown tool: " + name->get<std::string>());

    // Wrong arguments are the tool's error, which the agent sees and can correct.
    const auto arguments = params.find("arguments");
    const auto checked = checkArguments(
        *tool, arguments == params.end() || arguments->is_null() ? nlohmann::json::object() : *arguments);
    if (const auto* message = std::get_if<std::string>(&checked)) {
        log("tools/call " + tool->name + ": " + *message);
        return jsonrpc::result(id, toolError(*message));
    }
    const ToolArguments& values = std::get<ToolArguments>(checked);

    const auto timeout = callTimeout(*tool, values, timeout_);
    const auto started = std::chrono::steady_clock::now();
    const RunOutcome outcome = runner_(commandLine(*tool, values), timeout);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    log("tools/call " + tool->name + ": ended " + std::to_string(static_cast<int>(outcome.end)) + " code " +
        std::to_string(outcome.code) + " in " + std::to_string(took.count() / 1000.0) + " ms");
    return jsonrpc::result(id, toolResult(*tool, values, outcome, timeout));
}
