// The MCP server's answers to single messages, with a scripted command
// runner in place of tavik-ax: the JSON-RPC errors, the revision
// negotiation, the tool descriptions, the translation of arguments into a
// command line and of a run's outcome into a tool result.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "mcp/jsonrpc.h"
#include "mcp/server.h"
#include "mcp/tool_table.h"

namespace {

using nlohmann::json;

struct ScriptedRunner {
    std::vector<std::vector<std::string>> lines;
    std::vector<std::chrono::milliseconds> timeouts;
    RunOutcome outcome{RunOutcome::End::Exited, 0, "{\"success\":true}\n"};
};

struct ServerUnderTest {
    ScriptedRunner runner;
    McpServer server{[this](const std::vector<std::string>& line, std::chrono::milliseconds timeout) {
                         runner.lines.push_back(line);
                         runner.timeouts.push_back(timeout);
                         return runner.outcome;
                     },
                     std::chrono::milliseconds(30000)};

    std::optional<json> send(const std::string& line) { return server.handle(line); }

    json call(const std::string& tool, const json& arguments) {
        const json request{{"jsonrpc", "2.0"},
                           {"id", 7},
                           {"method", "tools/call"},
                           {"params", {{"name", tool}, {"arguments", arguments}}}};
        return send(request.dump()).value_or(json());
    }
};

std::string resultText(const json& answer) { return answer["result"]["content"][0]["text"].get<std::string>(); }

TEST(McpServer, AnswersEachMalformedMessageWithItsJsonRpcError) {
    struct Case {
        std::string line;
        int code;
        json id;
    };
    const std::vector<Case> cases = {
        {"{\"jsonrpc\":\"2.0\",\"id\":1,", jsonrpc::kParseError, nullptr},
        {"not json at all", jsonrpc::kParseError, nullptr},
        {"[{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"ping\"}]", jsonrpc::kInvalidRequest, nullptr},
        {"42", jsonrpc::kInvalidRequest, nullptr},
        // Parsed and thrown away without recursion that would run out of stack.
        {std::string(200000, '[') + std::string(200000, ']'), jsonrpc::kInvalidRequest, nullptr},
        {"{\"a\":" + std::string(200000, '['), jsonrpc::kParseError, nullptr},
        {"{\"jsonrpc\":\"2.0\",\"id\":3}", jsonrpc::kInvalidRequest, 3},
        {"{\"jsonrpc\":\"1.0\",\"id\":4,\"method\":\"ping\"}", jsonrpc::kInvalidRequest, 4},
        {"{\"jsonrpc\":\"2.0\",\"id\":5,\"method\":17}", jsonrpc::kInvalidRequest, 5},
        {"{\"jsonrpc\":\"2.0\",\"id\":null,\"method\":\"ping\"}", jsonrpc::kInvalidRequest, nullptr},
        {"{\"jsonrpc\":\"2.0\",\"id\":{\"a\":1},\"method\":\"ping\"}", jsonrpc::kInvalidRequest, nullptr},
        {"{\"jsonrpc\":\"2.0\",\"id\":\"s\",\"method\":\"resources/list\"}", jsonrpc::kMethodNotFound, "s"},
        {"{\"jsonrpc\":\"2.0\",\"id\":8,\"method\":\"tools/list\",\"params\":[1]}", jsonrpc::kInvalidParams, 8},
        {"{\"jsonrpc\":\"2.0\",\"id\":9,\"method\":\"initialize\",\"params\":{}}", jsonrpc::kInvalidParams, 9},
        {"{\"jsonrpc\":\"2.0\",\"id\":10,\"method\":\"tools/call\",\"params\":{\"name\":\"no_such_tool\"}}",
         jsonrpc::kInvalidParams, 10},
        {"{\"jsonrpc\":\"2.0\",\"id\":11,\"method\":\"tools/call\",\"params\":{}}", jsonrpc::kInvalidParams, 11},
    };
    ServerUnderTest test;
    for (const Case& c : cases) {
        const auto answer = test.send(c.line);
        ASSERT_TRUE(answer.has_value()) << c.line;
        EXPECT_EQ((*answer)["jsonrpc"], "2.0") << c.line;
        EXPECT_EQ((*answer)["error"]["code"], c.code) << c.line;
        EXPECT_FALSE((*answer)["error"]["message"].get<std::string>().empty()) << c.line;
        EXPECT_EQ((*answer)["id"], c.id) << c.line;
        EXPECT_FALSE(answer->contains("result")) << c.line;
    }
    EXPECT_TRUE(test.runner.lines.empty());
}

TEST(McpServer, NotificationsAndResponsesGetNoAnswer) {
    ServerUnderTest test;
    for (const char* line :
         {"{\"jsonrpc\":\"2.0\",\"method\":\"notifications/initialized\"}",
          "{\"jsonrpc\":\"2.0\",\"method\":\"notifications/cancelled\",\"params\":{\"requestId\":1}}",
          "{\"jsonrpc\":\"2.0\",\"method\":\"no/such/notification\"}", "{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":{}}"})
        EXPECT_FALSE(test.send(line).has_value()) << line;
}

TEST(McpServer, NegotiatesTheProtocolRevision) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2025-06-18", "2025-06-18"}, {"2025-03-26", "2025-03-26"}, {"2024-11-05", "2024-11-05"},
        {"2024-10-07", "2024-10-07"}, {"2025-11-25", "2025-06-18"}, {"1999-01-01", "2025-06-18"},
    };
    for (const auto& [asked, answered] : cases) {
        ServerUnderTest test;
        const json request{{"jsonrpc", "2.0"},
                           {"id", "init"},
                           {"method", "initialize"},
                           {"params",
                            {{"protocolVersion", asked},
                             {"capabilities", json::object()},
                             {"clientInfo", {{"name", "test"}, {"version", "1"}}}}}};
        const auto answer = test.send(request.dump());
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ((*answer)["id"], "init");
        EXPECT_EQ((*answer)["result"]["protocolVersion"], answered) << asked;
        EXPECT_TRUE((*answer)["result"]["capabilities"].contains("tools"));
        EXPECT_EQ((*answer)["result"]["serverInfo"]["name"], "tavik-ax-mcp");
    }
}

TEST(McpServer, PingAnswersAnEmptyResult) {
    ServerUnderTest test;
    const auto answer = test.send("{\"jsonrpc\":\"2.0\",\"id\":\"p\",\"method\":\"ping\"}");
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, (json{{"jsonrpc", "2.0"}, {"id", "p"}, {"result", json::object()}}));
}

TEST(McpServer, ListsOneDescribedToolPerCommandWithObjectSchemas) {
    ServerUnderTest test;
    const auto answer = test.send("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"tools/list\"}");
    ASSERT_TRUE(answer.has_value());
    const json& tools = (*answer)["result"]["tools"];
    ASSERT_EQ(tools.size(), toolTable().size());
    std::set<std::string> names;
    for (const json& tool : tools) {
        const std::string name = tool["name"];
        EXPECT_TRUE(std::regex_match(name, std::regex("[a-z_]{1,64}"))) << name;
        EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
        EXPECT_GT(tool["description"].get<std::string>().size(), 40u) << name;
        const json& schema = tool["inputSchema"];
        EXPECT_EQ(schema["type"], "object") << name;
        for (const auto& [property, definition] : schema["properties"].items())
            EXPECT_TRUE(definition.contains("type") && definition.contains("description")) << name << "." << property;
        for (const json& required : schema.value("required", json::array()))
            EXPECT_TRUE(schema["properties"].contains(required)) << name << " requires " << required;
    }
    for (const char* expected : {"list_windows", "snapshot", "read_tree", "find", "click", "type", "click_xy",
                                 "scroll", "screenshot", "navigate", "check_permission", "activate"})
        EXPECT_TRUE(names.count(expected)) << expected;
}

TEST(McpServer, TranslatesArgumentsIntoTheCommandLine) {
    using Line = std::vector<std::string>;
    struct Case {
        std::string tool;
        json arguments;
        Line line;
    };
    const std::vector<Case> cases = {
        {"list_windows", json::object(), {"list-windows"}},
        {"check_permission", json::object(), {"check-permission"}},
        {"activate", {{"pid", 42}}, {"activate", "42"}},
        {"read_tree", {{"pid", 42}}, {"read-tree", "42"}},
        {"read_tree", {{"pid", 42}, {"maxDepth", 2}}, {"read-tree", "42", "2"}},
        // The window index is read-tree's third operand: the depth before it takes its default.
        {"read_tree", {{"pid", 42}, {"windowIndex", 1}}, {"read-tree", "42", "5", "1"}},
        {"snapshot", {{"pid", 42}}, {"snapshot", "42"}},
        {"snapshot",
         {{"pid", 42}, {"windowIndex", 1}, {"depth", 80}, {"all", true}},
         {"snapshot", "42", "--window", "1", "--depth", "80", "--all"}},
        {"snapshot", {{"pid", 42}, {"all", false}}, {"snapshot", "42"}},
        {"find",
         {{"pid", 7}, {"role", "button"}, {"label", "--window"}, {"windowIndex", 2}},
         {"find", "7", "--role", "button", "--label", "--window", "--window", "2"}},
        {"click", {{"pid", 7}, {"path", "0.1.2"}}, {"click", "7", "0.1.2"}},
        {"click", {{"pid", 7}, {"path", "0.1.2"}, {"windowIndex", 1}}, {"click", "7", "0.1.2", "--window", "1"}},
        {"type", {{"pid", 7}, {"path", "0.3"}, {"text", "héllo \"wörld\""}}, {"type", "7", "0.3", "héllo \"wörld\""}},
        {"type",
         {{"pid", 7}, {"path", "0.3"}, {"text", ""}, {"windowIndex", 3}},
         {"type", "7", "0.3", "", "--window", "3"}},
        {"click_xy", {{"x", 100.5}, {"y", 20}}, {"click-xy", "100.5", "20"}},
        // A whole number sent with a fraction part is still an integer.
        {"click_xy", {{"x", 3.0}, {"y", -0.25}}, {"click-xy", "3", "-0.25"}},
        {"scroll", {{"amount", -120}}, {"scroll", "-120"}},
        {"screenshot", json::object(), {"screenshot"}},
        {"screenshot", {{"pid", 9}, {"windowIndex", 1}, {"downscale", true}}, {"screenshot", "9", "--window", "1"}},
        {"navigate",
         {{"pid", 9}, {"url", "https://example.com/a?b=c"}},
         {"navigate", "9", "https://example.com/a?b=c"}},
        // A null counts as left out.
        {"click", {{"pid", 9}, {"path", "0"}, {"windowIndex", nullptr}}, {"click", "9", "0"}},
        // By query: a criterion right after the pid selects the form; type's text follows --text.
        {"click", {{"pid", 7}, {"role", "button"}, {"label", "OK"}}, {"click", "7", "--role", "button", "--label", "OK"}},
        {"click",
         {{"pid", 7}, {"label", "--window"}, {"nth", 2}, {"windowIndex", 1}, {"path", nullptr}},
         {"click", "7", "--label", "--window", "--nth", "2", "--window", "1"}},
        {"type",
         {{"pid", 7}, {"role", "textfield"}, {"text", "hi"}},
         {"type", "7", "--role", "textfield", "--text", "hi"}},
        {"type",
         {{"pid", 7}, {"value", "old"}, {"nth", 0}, {"text", ""}, {"windowIndex", 3}},
         {"type", "7", "--value", "old", "--nth", "0", "--text", "", "--window", "3"}},
        {"click",
         {{"pid", 7}, {"role", "button"}, {"depth", 30}},
         {"click", "7", "--role", "button", "--depth", "30"}},
    };
    for (const Case& c : cases) {
        ServerUnderTest test;
        const json answer = test.call(c.tool, c.arguments);
        ASSERT_EQ(test.runner.lines.size(), 1u) << c.tool << " " << c.arguments << ": " << answer;
        EXPECT_EQ(test.runner.lines[0], c.line) << c.tool << " " << c.arguments;
        EXPECT_EQ(answer["result"]["isError"], false);
    }
}

TEST(McpServer, WrongArgumentsAreAToolErrorNamingTheArgument) {
    struct Case {
        std::string tool;
        json arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"click", {{"path", "0.1"}}, "Missing required argument \"pid\""},
        {"click", {{"pid", "42"}, {"path", "0.1"}}, "Argument \"pid\" must be an integer"},
        {"click", {{"pid", 4.5}, {"path", "0.1"}}, "Argument \"pid\" must be an integer"},
        {"click", {{"pid", 1e300}, {"path", "0.1"}}, "Argument \"pid\" must be an integer"},
        {"click", {{"pid", 18446744073709551615u}, {"path", "0.1"}}, "Argument \"pid\" must be an integer"},
        {"click", {{"pid", 42}, {"path", 1}}, "Argument \"path\" must be a string"},
        {"click", {{"pid", 42}, {"path", "0.1"}, {"window", 1}}, "Unknown argument \"window\""},
        {"type",
         {{"pid", 42}, {"path", "0.1"}, {"text", std::string("a\0b", 3)}},
         "must not contain the character U+0000"},
        {"click_xy", {{"x", "1"}, {"y", 2}}, "Argument \"x\" must be a number"},
        {"screenshot", {{"downscale", "yes"}}, "Argument \"downscale\" must be true or false"},
        // An element by path or by query, never both, never neither.
        {"click", {{"pid", 42}}, "Missing required argument \"path\" (or a query: role, label, value)"},
        {"click",
         {{"pid", 42}, {"path", "0.1"}, {"role", "button"}},
         "Give either \"path\" or a query (role, label, value, nth, depth), not both"},
        {"type",
         {{"pid", 42}, {"path", "0.1"}, {"nth", 1}, {"text", "x"}},
         "Give either \"path\" or a query (role, label, value, nth, depth), not both"},
        {"click", {{"pid", 42}, {"nth", 1}}, "Argument \"nth\" needs a query: role, label or value"},
        {"type", {{"pid", 42}, {"depth", 30}, {"text", "x"}}, "Argument \"depth\" needs a query: role, label or value"},
        {"click", {{"pid", 42}, {"role", "button"}, {"nth", -1}}, "Argument \"nth\" must be at least 0"},
        {"type", {{"pid", 42}, {"role", "textfield"}}, "Missing required argument \"text\""},
        {"list_windows", {{"pid", 1}}, "list_windows takes no arguments"},
        {"list_windows", json::array({1}), "The arguments must be a JSON object"},
    };
    for (const Case& c : cases) {
        ServerUnderTest test;
        const json answer = test.call(c.tool, c.arguments);
        EXPECT_EQ(answer["result"]["isError"], true) << c.tool << " " << c.arguments;
        EXPECT_NE(resultText(answer).find(c.message), std::string::npos) << resultText(answer);
        EXPECT_TRUE(test.runner.lines.empty()) << c.tool << " " << c.arguments;
    }
}

TEST(McpServer, ToolResultFollowsTheDocumentAndTheRunsEnd) {
    using End = RunOutcome::End;
    struct Case {
        End end;
        int code;
        const char* output;
        bool isError;
        const char* text;
    };
    const Case cases[] = {
        {End::Exited, 0, "{\"success\":true,\"method\":\"AXPress\"}\n", false,
         "{\"success\":true,\"method\":\"AXPress\"}"},
        {End::Exited, 0, "[]\n", false, "[]"},
        // An error document is the tool's error whatever the status.
        {End::Exited, 0, "{\"error\":\"No click method available\"}\n", true,
         "{\"error\":\"No click method available\"}"},
        {End::Exited, 1, "{\"error\":\"Window not found\"}\n", true, "{\"error\":\"Window not found\"}"},
        {End::Exited, 1, "{\"success\":false}\n", true, "{\"success\":false}"},
        {End::Exited, 0, "", true, "gave no JSON document"},
        {End::Exited, 0, "{\"success\":tr", true, "gave no JSON document"},
        {End::Signalled, 11, "", true, "ended by signal 11"},
        {End::TimedOut, 0, "{\"succ", true, "ran past the time-out of 30000 ms"},
        {End::NotStarted, ENOENT, "", true, "Could not start tavik-ax"},
        {End::Interrupted, 0, "", true, "the server is stopping"},
    };
    for (const Case& c : cases) {
        ServerUnderTest test;
        test.runner.outcome.end = c.end;
        test.runner.outcome.code = c.code;
        test.runner.outcome.output = c.output;
        const json answer = test.call("click", {{"pid", 1}, {"path", "0"}});
        EXPECT_EQ(answer["result"]["isError"], c.isError) << c.output;
        ASSERT_EQ(answer["result"]["content"].size(), 1u);
        EXPECT_EQ(answer["result"]["content"][0]["type"], "text");
        EXPECT_NE(resultText(answer).find(c.text), std::string::npos) << resultText(answer);
        EXPECT_EQ(answer["id"], 7);
    }
}

TEST(McpServer, CallsGetTheServersTimeOut) {
    ServerUnderTest test;
    test.call("list_windows", json::object());
    ASSERT_EQ(test.runner.timeouts.size(), 1u);
    EXPECT_EQ(test.runner.timeouts[0], std::chrono::milliseconds(30000));
}

TEST(McpServer, TheServerGoesOnAfterEveryKindOfBadInput) {
    ServerUnderTest test;
    test.send("}{");
    test.send("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"nope\"}");
    test.call("click", {{"pid", "x"}});
    test.runner.outcome = {RunOutcome::End::Signalled, 6, ""};
    test.call("list_windows", json::object());
    test.runner.outcome = {RunOutcome::End::Exited, 0, "[{\"app\":\"a\",\"pid\":1}]\n"};
    const json answer = test.call("list_windows", json::object());
    EXPECT_EQ(answer["result"]["isError"], false);
    EXPECT_EQ(resultText(answer), "[{\"app\":\"a\",\"pid\":1}]");
}

}  // namespace

namespace {

TEST(McpServer, TranslatesTheKeyAndPointerActionArguments) {
    using Line = std::vector<std::string>;
    const std::vector<std::tuple<std::string, json, Line>> cases = {
        {"key", {{"keys", {"ctrl+l", "Return"}}}, {"key", "ctrl+l", "Return"}},
        {"move_xy", {{"x", 5}, {"y", 6.5}}, {"move-xy", "5", "6.5"}},
        {"drag_xy", {{"x1", 1}, {"y1", 2}, {"x2", 3}, {"y2", 4}}, {"drag-xy", "1", "2", "3", "4"}},
        {"pointer", json::object(), {"pointer"}},
        {"click_xy",
         {{"x", 1}, {"y", 2}, {"button", "right"}, {"count", 2}},
         {"click-xy", "1", "2", "--button", "right", "--count", "2"}},
        {"scroll",
         {{"amount", 80}, {"horizontal", true}, {"at", {{"x", 10}, {"y", 20.5}}}},
         {"scroll", "80", "--horizontal", "--at", "10", "20.5"}},
        {"scroll", {{"amount", 80}, {"horizontal", false}}, {"scroll", "80"}},
        {"find", {{"pid", 3}, {"depth", 40}, {"wait", 1000}}, {"find", "3", "--depth", "40", "--wait", "1000"}},
    };
    for (const auto& [tool, arguments, line] : cases) {
        ServerUnderTest test;
        const json answer = test.call(tool, arguments);
        ASSERT_EQ(test.runner.lines.size(), 1u) << tool << " " << arguments << ": " << answer;
        EXPECT_EQ(test.runner.lines[0], line) << tool << " " << arguments;
    }

    const std::vector<std::tuple<std::string, json, std::string>> refused = {
        {"key", {{"keys", json::array()}}, "must be a non-empty array of strings"},
        {"key", {{"keys", "Return"}}, "must be a non-empty array of strings"},
        {"click_xy", {{"x", 1}, {"y", 2}, {"button", "left2"}}, "must be one of: left, right, middle"},
        {"click_xy", {{"x", 1}, {"y", 2}, {"count", 4}}, "must be from 1 to 3"},
        {"scroll", {{"amount", 1}, {"at", {{"x", 1}}}}, "must be an object {\"x\": number, \"y\": number}"},
        {"find", {{"pid", 3}, {"depth", 0}}, "must be from 1 to 200"},
        {"find", {{"pid", 3}, {"wait", 60001}}, "must be from 0 to 60000"},
    };
    for (const auto& [tool, arguments, message] : refused) {
        ServerUnderTest test;
        const json answer = test.call(tool, arguments);
        EXPECT_EQ(answer["result"]["isError"], true) << tool << " " << arguments;
        EXPECT_NE(resultText(answer).find(message), std::string::npos) << resultText(answer);
        EXPECT_TRUE(test.runner.lines.empty());
    }
}

TEST(McpServer, AWaitingFindGetsItsWaitOnTopOfTheTimeOut) {
    ServerUnderTest test;
    test.call("find", {{"pid", 3}, {"wait", 45000}});
    ASSERT_EQ(test.runner.timeouts.size(), 1u);
    EXPECT_EQ(test.runner.timeouts[0], std::chrono::milliseconds(75000));
}

}  // namespace
