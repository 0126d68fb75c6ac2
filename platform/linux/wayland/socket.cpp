#include "platform/linux/wayland/socket.h"

#include <sys/un.h>

namespace platform::wayland {

std::optional<std::string> socketPath(const char* waylandDisplay, const char* runtimeDirectory) {
    if (!waylandDisplay || !*waylandDisplay) return std::nullopt;
    std::string path;
    if (waylandDisplay[0] == '/') {
        path = waylandDisplay;
    } else {
        if (!runtimeDirectory || runtimeDirectory[0] != '/') return std::nullopt;
        path = std::string(runtimeDirectory) + "/" + waylandDisplay;
    }
    if (path.size() >= sizeof(sockaddr_un{}.sun_path)) return std::nullopt;
    return path;
}

std::string turnName(const std::string& path, const char* runtimeDirectory) {
    std::string name = path;
    if (runtimeDirectory && runtimeDirectory[0] == '/') {
        std::string folder = runtimeDirectory;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        const std::string prefix = folder + "/";
        if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
            path.find('/', prefix.size()) == std::string::npos)
            name = path.substr(prefix.size());
    }
    // The input lock reads an X display name: a colon would split off a
    // host, a dot a screen number.
    for (char& c : name)
        if (c == ':' || c == '.') c = '_';
    return "wayland-socket-" + name;
}

}  // namespace platform::wayland
