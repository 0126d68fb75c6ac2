#pragma once

#include <string>
#include <string_view>

// The MCP revisions the server speaks, newest first.
inline constexpr std::string_view kProtocolVersions[] = {"2025-06-18", "2025-03-26", "2024-11-05", "2024-10-07"};

// The revision to answer initialize with: the client's when the server
// speaks it, else the newest, which the client may then refuse.
std::string negotiateProtocolVersion(std::string_view requested);
