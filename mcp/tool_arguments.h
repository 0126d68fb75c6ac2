#pragma once

#include <chrono>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>
#include <vector>

#include "mcp/tool_table.h"

// A tool's description for tools/list, the check of the arguments an
// agent sent, and their translation into a tavik-ax command line.

// {name, title, description, inputSchema, annotations}
nlohmann::json describeTool(const Tool& tool);

// Checked arguments, each as the texts it has on the command line ("true"
// for a boolean that is set; a false one is left out).
struct ToolArguments {
    std::map<std::string, std::vector<std::string>> values;

    bool has(const std::string& name) const { return values.count(name) != 0; }
};

// The checked arguments, or a message naming what is wrong with them.
std::variant<ToolArguments, std::string> checkArguments(const Tool& tool, const nlohmann::json& arguments);

// The command name and its operands (no program path).
std::vector<std::string> commandLine(const Tool& tool, const ToolArguments& arguments);

// The time a call may take: the server's time-out plus any wait the
// arguments ask the command for.
std::chrono::milliseconds callTimeout(const Tool& tool, const ToolArguments& arguments, std::chrono::milliseconds base);
