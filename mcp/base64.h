#pragma once

#include <string>
#include <string_view>

// Standard base64 with padding (RFC 4648), as MCP image content carries it.
std::string base64Encode(std::string_view bytes);
