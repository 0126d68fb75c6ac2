// A process's program, command line, working directory and parent, read
// from /proc.
#include "platform/linux/freedesktop/process_facts.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

#include "platform/applications.h"
#include "platform/linux/freedesktop/desktop_entries.h"

namespace platform {
namespace {

std::string procPath(std::int32_t pid, const char* entry) { return "/proc/" + std::to_string(pid) + "/" + entry; }

std::optional<std::string> readWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) return std::nullopt;
    return text;
}

// The arguments, each ended by a NUL.
std::vector<std::string> commandLineOf(std::int32_t pid) {
    std::vector<std::string> parts;
    const auto text = readWhole(procPath(pid, "cmdline"));
    if (!text) return parts;
    std::size_t start = 0;
    while (start < text->size()) {
        const std::size_t end = std::min(text->find('\0', start), text->size());
        parts.push_back(text->substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The field after the command name in /proc/PID/stat (which may itself
// hold blanks and parentheses): state, then the parent's pid.
std::int32_t parentOf(std::int32_t pid) {
    const auto text = readWhole(procPath(pid, "stat"));
    const std::size_t close = text ? text->rfind(')') : std::string::npos;
    if (close == std::string::npos) return 0;
    std::istringstream fields(text->substr(close + 1));
    std::string state;
    std::int32_t parent = 0;
    if (!(fields >> state >> parent)) return 0;
    return parent;
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Told apart by what ships next to the program, whatever it is called:
// Gecko's libxul.so, Chromium's resources.pak (also Chrome, Brave, Edge
// and Electron applications); Epiphany, whose files live elsewhere, by
// its program's name.
browser::Family familyOf(const std::string& executable) {
    const std::string directory = executable.substr(0, executable.rfind('/') + 1);
    if (exists(directory + "libxul.so")) return browser::Family::gecko;
    if (exists(directory + "resources.pak")) return browser::Family::chromium;
    if (executable.substr(directory.size()) == "epiphany") return browser::Family::epiphany;
    return browser::Family::other;
}

}  // namespace

std::optional<std::string> applicationPathForPid(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    const auto path = ProcProcessSource().linkTarget(procPath(pid, "exe"));
    // A replaced or removed executable cannot be started again.
    constexpr std::string_view deleted = " (deleted)";
    if (!path || !path->starts_with('/') || path->ends_with(deleted)) return std::nullopt;
    return path;
}

std::optional<browser::ProcessFacts> ProcProcessSource::facts(std::int32_t pid) const {
    auto executable = applicationPathForPid(pid);
    if (!executable) return std::nullopt;
    browser::ProcessFacts facts;
    facts.family = familyOf(*executable);
    facts.executable = std::move(*executable);
    facts.commandLine = commandLineOf(pid);
    facts.workingDirectory = linkTarget(procPath(pid, "cwd")).value_or("");
    facts.parent = parentOf(pid);
    return facts;
}

std::optional<std::string> ProcProcessSource::linkTarget(const std::string& path) const {
    char target[PATH_MAX + 1];
    const ssize_t length = readlink(path.c_str(), target, PATH_MAX);
    if (length <= 0) return std::nullopt;
    return std::string(target, static_cast<std::size_t>(length));
}

bool ProcProcessSource::isDirectory(const std::string& path) const {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool ProcProcessSource::opensWebAddresses(const std::string& executable) const {
    return desktop::declaresWebAddresses(executable);
}

}  // namespace platform
