#pragma once

#include <nlohmann/json.hpp>

#include "mcp/call_runner.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_table.h"

// The tools/call result for one run of a command: the command's JSON
// document as text content, isError when the document is an error
// document or the run failed (status 1, a crash, the time-out), and for
// screenshot the picture as image content.
nlohmann::json toolResult(const Tool& tool, const ToolArguments& arguments, const RunOutcome& outcome,
                          std::chrono::milliseconds timeout);

// The isError result carrying one message.
nlohmann::json toolError(const std::string& message);
