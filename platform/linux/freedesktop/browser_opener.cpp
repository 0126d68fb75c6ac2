#include "platform/linux/freedesktop/browser_opener.h"

#include <functional>
#include <string_view>
#include <utility>

namespace platform::browser {
namespace {

// A helper sits at most this far below its browser (Chromium: zygote, then
// renderer; Firefox: fork server, then content process).
constexpr int maximumHelperDepth = 4;

using Accepts = std::function<bool(const std::string&)>;

// Chromium rewrites the command line of each of its processes, and
// Firefox's fork server that of its content processes, into one string
// joined with blanks.
bool isJoined(const std::vector<std::string>& commandLine) {
    return commandLine.size() == 1 && commandLine[0].find(' ') != std::string::npos;
}

std::vector<std::string> blankSeparated(const std::string& text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

std::vector<std::string> arguments(const std::vector<std::string>& commandLine) {
    return isJoined(commandLine) ? blankSeparated(commandLine[0]) : commandLine;
}

// Chromium's helpers carry --type=..., Firefox's -contentproc.
bool isHelper(const ProcessFacts& facts) {
    const std::vector<std::string> parts = arguments(facts.commandLine);
    for (std::size_t i = 1; i < parts.size(); ++i)
        if (parts[i].starts_with("--type=") || parts[i] == "-contentproc") return true;
    return false;
}

// A relative path as the browser read it: against its working directory.
std::optional<std::string> absolute(const std::string& path, const std::string& directory) {
    if (path.starts_with('/')) return path;
    if (directory.empty()) return std::nullopt;
    return directory + "/" + path;
}

struct ChromiumSwitch {
    std::string name;
    std::string value;
    // The last switch of a joined command line: page arguments may follow
    // its value after a blank.
    bool valueMayCarryPages = false;
};

// Chromium's switches: "--name" or "--name=value" ("-" also starts one),
// up to a "--" after which everything is a page argument. Its rewritten
// command line writes every switch as " --name[=value]", values unquoted
// and before the page arguments: a switch runs up to the next " --".
std::vector<ChromiumSwitch> chromiumSwitches(const std::vector<std::string>& commandLine) {
    std::vector<std::string> texts;
    const bool joined = isJoined(commandLine);
    if (joined) {
        const std::string& line = commandLine[0];
        for (std::size_t start = line.find(" --"); start != std::string::npos;) {
            const std::size_t next = line.find(" --", start + 1);
            texts.push_back(line.substr(start + 1, next == std::string::npos ? next : next - start - 1));
            start = next;
        }
    } else if (!commandLine.empty()) {
        texts.assign(commandLine.begin() + 1, commandLine.end());
    }
    std::vector<ChromiumSwitch> switches;
    for (const std::string& text : texts) {
        if (text == "--" || text.starts_with("-- ")) break;
        if (!text.starts_with('-')) continue;
        std::string_view body = text;
        body.remove_prefix(text.starts_with("--") ? 2 : 1);
        const std::size_t end = body.find_first_of("= ");
        ChromiumSwitch entry{std::string(body.substr(0, end)), {}};
        if (end != std::string_view::npos && body[end] == '=') entry.value = std::string(body.substr(end + 1));
        switches.push_back(std::move(entry));
    }
    if (joined && !switches.empty()) switches.back().valueMayCarryPages = true;
    return switches;
}

// The switch's value, or for one that may carry page arguments the longest
// cut before a blank, that accepts takes.
std::optional<std::string> acceptedValue(const ChromiumSwitch& entry, const Accepts& accepts) {
    std::string candidate = entry.value;
    while (!candidate.empty()) {
        if (accepts(candidate)) return candidate;
        if (!entry.valueMayCarryPages) break;
        const std::size_t blank = candidate.rfind(' ');
        if (blank == std::string::npos) break;
        candidate.resize(blank);
    }
    return std::nullopt;
}

bool isPlatformName(std::string_view name) {
    if (name.empty()) return false;
    for (const char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-')) return false;
    return true;
}

// --user-data-dir picks the instance (its singleton socket lives there),
// --profile-directory the profile inside it, --no-sandbox lets the opener
// start at all where the browser had to run without one (as root), and
// --ozone-platform keeps it on the browser's display system.
std::optional<std::vector<std::string>> chromiumOptions(const ProcessFacts& facts, std::int32_t pid,
                                                        const ProcessSource& source) {
    const ChromiumSwitch* dataDirectory = nullptr;
    const ChromiumSwitch* profile = nullptr;
    const ChromiumSwitch* ozone = nullptr;
    bool noSandbox = false;
    const std::vector<ChromiumSwitch> switches = chromiumSwitches(facts.commandLine);
    for (const ChromiumSwitch& entry : switches) {
        // Chromium keeps the last of a repeated switch.
        if (entry.name == "user-data-dir") dataDirectory = &entry;
        if (entry.name == "profile-directory") profile = &entry;
        if (entry.name == "ozone-platform") ozone = &entry;
        if (entry.name == "no-sandbox") noSandbox = true;
    }
    std::vector<std::string> options;
    std::optional<std::string> dataPath;
    if (dataDirectory && !dataDirectory->value.empty()) {
        // The running browser holds <dir>/SingletonLock, a link to
        // "<host>-<pid>": only the directory whose lock names this very
        // process reaches it.
        const std::string owner = std::to_string(pid);
        const auto value = acceptedValue(*dataDirectory, [&](const std::string& candidate) {
            const auto path = absolute(candidate, facts.workingDirectory);
            const auto lock = path ? source.linkTarget(*path + "/SingletonLock") : std::nullopt;
            return lock && lock->ends_with(owner) && lock->size() > owner.size() &&
                   (*lock)[lock->size() - owner.size() - 1] == '-';
        });
        if (!value) return std::nullopt;
        dataPath = absolute(*value, facts.workingDirectory);
        options.push_back("--user-data-dir=" + *dataPath);
    }
    if (profile) {
        // Chromium makes a new profile for a name it does not know, so a
        // name from a joined command line goes on only when it exists.
        std::optional<std::string> name;
        if (dataPath)
            name = acceptedValue(*profile, [&](const std::string& candidate) {
                return candidate.find('/') == std::string::npos && source.isDirectory(*dataPath + "/" + candidate);
            });
        else if (!profile->valueMayCarryPages && !profile->value.empty())
            name = profile->value;
        if (name) options.push_back("--profile-directory=" + *name);
    }
    if (noSandbox) options.push_back("--no-sandbox");
    if (ozone) {
        const std::string name = ozone->value.substr(0, ozone->value.find(' '));
        if (isPlatformName(name)) options.push_back("--ozone-platform=" + name);
    }
    return options;
}

// Firefox reads "-name" and "--name" alike, ignoring case, and takes the
// first match; its value is the next argument unless that is an option.
std::optional<std::string> geckoOption(const std::string& argument) {
    if (!argument.starts_with('-')) return std::nullopt;
    std::string name = argument.substr(argument.starts_with("--") ? 2 : 1);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// --profile <dir> and -P <name> select the profile, and with it the
// running instance that takes the address. Nothing else: --no-remote or
// --new-instance would keep the opener from handing over.
std::optional<std::vector<std::string>> geckoOptions(const ProcessFacts& facts) {
    const std::vector<std::string> parts = arguments(facts.commandLine);
    std::optional<std::optional<std::string>> directory;  // outer: seen
    std::optional<std::optional<std::string>> name;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto option = geckoOption(parts[i]);
        if (!option || (*option != "profile" && *option != "p")) continue;
        std::optional<std::string> value;
        if (i + 1 < parts.size() && !parts[i + 1].starts_with('-')) value = parts[i + 1];
        auto& slot = *option == "profile" ? directory : name;
        if (!slot) slot = value;
    }
    std::vector<std::string> options;
    if (directory && *directory) {
        const auto path = absolute(**directory, facts.workingDirectory);
        if (!path) return std::nullopt;
        options.insert(options.end(), {"--profile", *path});
    }
    if (name && *name) options.insert(options.end(), {"-P", **name});
    return options;
}

// Epiphany hands an address to its running instance through the session
// bus, where only an instance of the default profile is registered: one
// with a profile folder of its own, or a private, incognito, web
// application or automation instance, takes no address from another
// process (the opener would start a new browser next to it). GLib's option
// parser reads "--name", "--name=value" and groups of short options, up to
// a "--".
std::optional<std::vector<std::string>> epiphanyOptions(const ProcessFacts& facts) {
    const std::vector<std::string>& parts = facts.commandLine;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == "--") break;
        if (part.starts_with("--")) {
            const std::string name = part.substr(2, part.find('=') - 2);
            if (name == "profile" || name == "private-instance" || name == "incognito-mode" ||
                name == "application-mode" || name == "automation-mode")
                return std::nullopt;
        } else if (part.starts_with('-') && part.find_first_of("pia", 1) != std::string::npos) {
            return std::nullopt;
        }
    }
    return std::vector<std::string>{};
}

}  // namespace

OpenerLookup openerFor(std::int32_t pid, const std::string& url, const ProcessSource& source) {
    auto facts = source.facts(pid);
    for (int depth = 0; facts && isHelper(*facts); ++depth) {
        // A helper's browser is an ancestor running the same program;
        // anything else is no browser to hand the address to.
        if (depth == maximumHelperDepth || facts->parent <= 1) return {};
        auto parent = source.facts(facts->parent);
        if (!parent || parent->executable != facts->executable) return {};
        pid = facts->parent;
        facts = std::move(parent);
    }
    if (!facts) return {};
    // Any other program would take the address as a file to run or read,
    // or as input to do whatever it does.
    if (!source.opensWebAddresses(facts->executable)) return {std::nullopt, true};
    std::optional<std::vector<std::string>> options;
    switch (facts->family) {
        case Family::chromium:
            options = chromiumOptions(*facts, pid, source);
            break;
        case Family::gecko:
            options = geckoOptions(*facts);
            break;
        case Family::epiphany:
            options = epiphanyOptions(*facts);
            break;
        case Family::other:
            options.emplace();
            break;
    }
    if (!options) return {};
    options->push_back(url);
    return {ProcessCommand{facts->executable, std::move(*options)}, false};
}

}  // namespace platform::browser
