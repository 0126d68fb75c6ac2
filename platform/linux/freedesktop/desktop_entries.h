#pragma once

// Installed applications' desktop entries: which programs declare that they
// open web addresses (an http or https scheme handler), and whether such a
// program is the executable of a running process.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::desktop {

// The program that one entry's Exec runs (its first word, unquoted), when
// the entry is an application whose MimeType lists x-scheme-handler/http
// or x-scheme-handler/https; nothing otherwise.
std::optional<std::string> webAddressProgram(const std::string& text);

// The folders that hold the entries, most important first: the data home's
// (XDG_DATA_HOME, else ~/.local/share), then each of XDG_DATA_DIRS's (else
// /usr/local/share and /usr/share), each with "/applications". Only
// absolute paths count. variable reads the environment.
std::vector<std::string> applicationFolders(const std::function<std::optional<std::string>(const char*)>& variable);

// What matching learns from the file system: the real one, or a table.
class Files {
public:
    virtual ~Files() = default;
    // The path with every symbolic link resolved, or nothing when missing.
    virtual std::optional<std::string> canonicalPath(const std::string& path) const = 0;
    virtual bool isExecutableFile(const std::string& path) const = 0;
    // A file that begins with "#!".
    virtual bool isScript(const std::string& path) const = 0;
};

// Whether an entry's program runs executable (a canonical absolute path):
// a bare name is looked up in searchPath (absolute folders only), links
// are resolved; and Debian's wrapper layout, <p>/bin/<n> a script in
// front of <p>/lib/<n>/<n>, counts as the same program.
bool runsExecutable(const std::string& program, const std::string& executable,
                    const std::vector<std::string>& searchPath, const Files& files);

// Whether an installed entry that declares web addresses runs executable,
// read from this system's folders, PATH and files.
bool declaresWebAddresses(const std::string& executable);

}  // namespace platform::desktop
