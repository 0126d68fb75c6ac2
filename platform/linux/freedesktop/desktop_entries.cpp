// Desktop entries are read with GLib's key-file parser (groups, comments,
// localized keys, value escapes and lists as the desktop entry format
// defines them) and Exec is split with GLib's shell-style word splitter,
// as GLib's own application launcher does.
#include "platform/linux/freedesktop/desktop_entries.h"

#include <glib.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

namespace platform::desktop {
namespace {

constexpr const char* entryGroup = "Desktop Entry";

// Entries live at most a few folders deep (a prefix folder such as kde4/);
// anything beyond is not an installed application, and a file larger than
// this is no desktop entry.
constexpr int maximumFolderDepth = 3;
constexpr std::size_t maximumEntrySize = 1 << 20;

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
struct StringFree {
    void operator()(gchar* text) const { g_free(text); }
};
struct VectorFree {
    void operator()(gchar** vector) const { g_strfreev(vector); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;
using String = std::unique_ptr<gchar, StringFree>;
using Vector = std::unique_ptr<gchar*, VectorFree>;

std::optional<std::string> stringValue(GKeyFile* file, const char* key) {
    const String value(g_key_file_get_string(file, entryGroup, key, nullptr));
    if (!value) return std::nullopt;
    return std::string(value.get());
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool listsWebSchemes(GKeyFile* file) {
    gsize count = 0;
    const Vector types(g_key_file_get_string_list(file, entryGroup, "MimeType", &count, nullptr));
    for (gsize i = 0; types && i < count; ++i) {
        const std::string type = lowered(types.get()[i]);
        if (type == "x-scheme-handler/http" || type == "x-scheme-handler/https") return true;
    }
    return false;
}

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    while (true) {
        const std::size_t end = text.find(separator);
        parts.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) return parts;
        text.remove_prefix(end + 1);
    }
}

std::optional<std::string> environmentVariable(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

class SystemFiles final : public Files {
public:
    std::optional<std::string> canonicalPath(const std::string& path) const override {
        char resolved[PATH_MAX];
        if (!realpath(path.c_str(), resolved)) return std::nullopt;
        return std::string(resolved);
    }
    bool isExecutableFile(const std::string& path) const override {
        struct stat status;
        return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
    }
    bool isScript(const std::string& path) const override {
        std::ifstream file(path, std::ios::binary);
        char start[2] = {};
        return file.read(start, 2) && start[0] == '#' && start[1] == '!';
    }
};

std::optional<std::string> readEntry(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string text(maximumEntrySize + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    const auto length = static_cast<std::size_t>(file.gcount());
    if (file.bad() || length > maximumEntrySize) return std::nullopt;
    text.resize(length);
    return text;
}

// Whether an entry below folder declares web addresses and runs executable.
bool folderDeclares(const std::string& folder, const std::string& executable,
                    const std::vector<std::string>& searchPath, const Files& files) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::recursive_directory_iterator entry(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        if (entry.depth() >= maximumFolderDepth) entry.disable_recursion_pending();
        std::error_code kind;
        if (entry->path().extension() != ".desktop" || !entry->is_regular_file(kind)) continue;
        const auto text = readEntry(entry->path());
        const auto program = text ? webAddressProgram(*text) : std::nullopt;
        if (program && runsExecutable(*program, executable, searchPath, files)) return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> webAddressProgram(const std::string& text) {
    const KeyFile file(g_key_file_new());
    if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE, nullptr)) return std::nullopt;
    if (stringValue(file.get(), "Type") != "Application" || !listsWebSchemes(file.get())) return std::nullopt;
    const auto exec = stringValue(file.get(), "Exec");
    if (!exec) return std::nullopt;
    gchar** words = nullptr;
    if (!g_shell_parse_argv(exec->c_str(), nullptr, &words, nullptr)) return std::nullopt;
    const Vector owned(words);
    // Field codes (%u, %U...) stand only for arguments; one in the program
    // makes the entry invalid.
    const std::string program = words[0];
    if (program.find('%') != std::string::npos) return std::nullopt;
    return program;
}

std::vector<std::string> applicationFolders(const std::function<std::optional<std::string>(const char*)>& variable) {
    std::vector<std::string> folders;
    auto dataHome = variable("XDG_DATA_HOME");
    if (!dataHome || !dataHome->starts_with('/')) {
        const auto home = variable("HOME");
        dataHome = home && home->starts_with('/') ? std::optional(*home + "/.local/share") : std::nullopt;
    }
    if (dataHome) folders.push_back(*dataHome + "/applications");
    auto dataDirectories = variable("XDG_DATA_DIRS");
    if (!dataDirectories || dataDirectories->empty()) dataDirectories = "/usr/local/share:/usr/share";
    for (const std::string& directory : split(*dataDirectories, ':'))
        if (directory.starts_with('/')) folders.push_back(directory + "/applications");
    return folders;
}

bool runsExecutable(const std::string& program, const std::string& executable,
                    const std::vector<std::string>& searchPath, const Files& files) {
    std::optional<std::string> found;
    if (program.find('/') != std::string::npos) {
        // A path relative to wherever we happen to run names nothing.
        if (program.starts_with('/') && files.isExecutableFile(program)) found = program;
    } else if (!program.empty()) {
        for (const std::string& folder : searchPath) {
            if (!folder.starts_with('/')) continue;
            const std::string candidate = folder + "/" + program;
            if (files.isExecutableFile(candidate)) {
                found = candidate;
                break;
            }
        }
    }
    const auto canonical = found ? files.canonicalPath(*found) : std::nullopt;
    if (!canonical) return false;
    if (*canonical == executable) return true;
    // Debian installs some browsers' programs privately in /usr/lib/<n>/
    // behind a launcher script /usr/bin/<n> that sets options and execs it
    // (Chromium). Only this layout counts: a script merely mentioning the
    // process's program is not enough (Chromium's names /usr/bin/gdb).
    const std::size_t slash = canonical->rfind('/');
    const std::string name = canonical->substr(slash + 1);
    const std::string prefix = canonical->substr(0, slash);
    if (name.empty() || !prefix.ends_with("/bin")) return false;
    const std::string root = prefix.substr(0, prefix.size() - 4);
    return executable == root + "/lib/" + name + "/" + name && files.isScript(*canonical);
}

bool declaresWebAddresses(const std::string& executable) {
    const auto path = environmentVariable("PATH");
    const std::vector<std::string> searchPath = split(path ? *path : "/usr/bin:/bin", ':');
    const SystemFiles files;
    for (const std::string& folder : applicationFolders(environmentVariable))
        if (folderDeclares(folder, executable, searchPath, files)) return true;
    return false;
}

}  // namespace platform::desktop
