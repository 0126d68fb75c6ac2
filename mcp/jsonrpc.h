#pragma once

#include <nlohmann/json.hpp>
#include <string>

// JSON-RPC 2.0 answers and the error codes the server uses.
namespace jsonrpc {

constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;

nlohmann::json result(const nlohmann::json& id, nlohmann::json result);
nlohmann::json error(const nlohmann::json& id, int code, const std::string& message);

// One message as a line's text (no line feed). Text that is not valid
// UTF-8 is replaced, never thrown over.
std::string serialise(const nlohmann::json& message);

}  // namespace jsonrpc
