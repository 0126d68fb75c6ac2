#include "mcp/protocol_version.h"

std::string negotiateProtocolVersion(std::string_view requested) {
    for (std::string_view version : kProtocolVersions)
        if (version == requested) return std::string(version);
    return std::string(kProtocolVersions[0]);
}
