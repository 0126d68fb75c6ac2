// Which arguments of a running browser's command line the opener copies.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/linux/freedesktop/browser_opener.h"

namespace {

using platform::browser::Family;
using platform::browser::ProcessFacts;

const std::string chromium = "/usr/lib/chromium/chromium";
const std::string firefox = "/usr/lib/firefox-esr/firefox-esr";
const std::string epiphany = "/usr/bin/epiphany";
const std::string url = "https://example.com/page";

// Processes by pid, symbolic links, directories and the programs that
// installed applications declare open web addresses.
class TableSource final : public platform::browser::ProcessSource {
public:
    std::map<std::int32_t, ProcessFacts> processes;
    std::map<std::string, std::string> links;
    std::set<std::string> directories;
    std::set<std::string> browsers{chromium, firefox, epiphany, "/opt/standin"};

    std::optional<ProcessFacts> facts(std::int32_t pid) const override {
        const auto found = processes.find(pid);
        if (found == processes.end()) return std::nullopt;
        return found->second;
    }
    std::optional<std::string> linkTarget(const std::string& path) const override {
        const auto found = links.find(path);
        if (found == links.end()) return std::nullopt;
        return found->second;
    }
    bool isDirectory(const std::string& path) const override { return directories.count(path) > 0; }
    bool opensWebAddresses(const std::string& executable) const override { return browsers.count(executable) > 0; }
};

// Chromium's browser 100 (its helpers 101 zygote, 102 renderer) and
// Firefox's 200 (201 fork server, 202 content process). A case gives the
// command line of the browser of its pid's hundred.
TableSource desktop(std::vector<std::string> chromiumLine, std::vector<std::string> firefoxLine) {
    TableSource source;
    source.processes[100] = {chromium, Family::chromium, std::move(chromiumLine), "/home/me", 1};
    source.processes[101] = {chromium, Family::chromium, {chromium + " --type=zygote --no-sandbox"}, "/", 100};
    source.processes[102] = {chromium, Family::chromium,
                             {chromium + " --type=renderer --enable-crash-reporter=,built on Debian --lang=en-US"},
                             "/",
                             101};
    source.processes[200] = {firefox, Family::gecko, std::move(firefoxLine), "/home/me", 1};
    source.processes[201] = {firefox, Family::gecko, {firefox + " -contentproc -ipcHandle 0 forkserver"}, "/", 200};
    source.processes[202] = {firefox, Family::gecko, {firefox + " -contentproc -isForBrowser -ipcHandle 5 tab"}, "/",
                             201};
    source.links["/tmp/chr/SingletonLock"] = "host-100";
    source.links["/home/me/My Data/SingletonLock"] = "host-100";
    source.links["/home/me/rel/SingletonLock"] = "host-100";
    source.links["/tmp/other/SingletonLock"] = "host-4242";  // another instance's
    source.directories = {"/tmp/chr/Profile 1", "/home/me/rel/Default"};
    return source;
}

struct Case {
    const char* name;
    std::vector<std::string> commandLine;  // of the browser of its family
    std::int32_t pid;
    // Arguments before the address; nothing: no opener. An engaged empty list
    // is written std::vector<std::string>{}: GCC 14 reads `{{}}` as optional's
    // explicit in_place constructor and rejects it.
    std::optional<std::vector<std::string>> opener;
};

class BrowserOpener : public testing::TestWithParam<Case> {};

TEST_P(BrowserOpener, CopiesOnlyWhatSelectsTheProfileAndTheSandbox) {
    const Case& c = GetParam();
    TableSource source = desktop({chromium}, {"firefox-esr"});
    source.processes[300] = {"/opt/standin", Family::other, {}, "/", 1};
    source.processes[500] = {epiphany, Family::epiphany, {}, "/", 1};
    source.processes[c.pid / 100 * 100].commandLine = c.commandLine;

    const auto lookup = platform::browser::openerFor(c.pid, url, source);
    const auto& command = lookup.command;

    EXPECT_FALSE(lookup.notAWebBrowser);
    if (!c.opener) {
        EXPECT_FALSE(command.has_value());
        return;
    }
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->program, source.processes[c.pid / 100 * 100].executable);
    std::vector<std::string> expected = *c.opener;
    expected.push_back(url);
    EXPECT_EQ(command->arguments, expected);
}

const std::string debianChromium =
    chromium +
    " --show-component-extension-options --enable-gpu-rasterization --no-default-browser-check"
    " --load-extension --no-sandbox --disable-gpu --no-first-run --user-data-dir=/tmp/chr"
    " --remote-debugging-port=9333 about:blank";

INSTANTIATE_TEST_SUITE_P(
    Cases, BrowserOpener,
    testing::Values(
        // Chromium rewrites its command line into one string joined with blanks.
        Case{"ChromiumJoined", {debianChromium}, 100, {{"--user-data-dir=/tmp/chr", "--no-sandbox"}}},
        Case{"ChromiumRendererLeadsToItsBrowser", {debianChromium}, 102,
             {{"--user-data-dir=/tmp/chr", "--no-sandbox"}}},
        Case{"ChromiumZygoteLeadsToItsBrowser", {debianChromium}, 101, {{"--user-data-dir=/tmp/chr", "--no-sandbox"}}},
        // Blanks inside values; the last switch carries the page arguments.
        Case{"ChromiumJoinedBlanksAndPages",
             {chromium + " --profile-directory=Profile 1 --user-data-dir=/home/me/My Data https://a.example/ b c"},
             100,
             {{"--user-data-dir=/home/me/My Data"}}},
        Case{"ChromiumJoinedProfileCheckedInItsDataDirectory",
             {chromium + " --user-data-dir=/tmp/chr --ozone-platform=x11 --profile-directory=Profile 1 https://a/"},
             100,
             {{"--user-data-dir=/tmp/chr", "--profile-directory=Profile 1", "--ozone-platform=x11"}}},
        // An unknown profile name would make Chromium create that profile.
        Case{"ChromiumUnknownProfileNotCopied",
             {chromium + " --user-data-dir=/tmp/chr --profile-directory=Profile 2"},
             100,
             {{"--user-data-dir=/tmp/chr"}}},
        Case{"ChromiumAmbiguousProfileWithoutDataDirectoryNotCopied",
             {chromium + " --no-sandbox --profile-directory=Profile 1 https://a/"},
             100,
             {{"--no-sandbox"}}},
        // Chromium keeps the last of a repeated switch; "-" starts one too.
        Case{"ChromiumLastSwitchRelativeToItsDirectory",
             {chromium, "--user-data-dir=/tmp/other", "-user-data-dir=rel", "--profile-directory=Default",
              "--ozone-platform=wayland"},
             100,
             {{"--user-data-dir=/home/me/rel", "--profile-directory=Default", "--ozone-platform=wayland"}}},
        // Options that open pages or run programs are never copied.
        Case{"ChromiumPageAndProgramOptionsDropped",
             {chromium, "--app=https://evil.example/", "--kiosk", "--headless", "--incognito",
              "--renderer-cmd-prefix=sh -c evil", "--remote-debugging-port=1", "--load-extension=/x",
              "--ozone-platform=x11;evil", "--user-data-dir=/tmp/chr", "https://page/"},
             100,
             {{"--user-data-dir=/tmp/chr"}}},
        // After "--" everything is a page argument, however it looks.
        Case{"ChromiumPagesAfterTheTerminator",
             {chromium, "--user-data-dir=/tmp/chr", "--", "--no-sandbox", "--user-data-dir=/tmp/other"},
             100,
             {{"--user-data-dir=/tmp/chr"}}},
        Case{"ChromiumJoinedPagesAfterTheTerminator",
             {chromium + " --user-data-dir=/tmp/chr -- --no-sandbox --user-data-dir=/tmp/other"},
             100,
             {{"--user-data-dir=/tmp/chr"}}},
        // A data directory whose lock does not name the process cannot reach it.
        Case{"ChromiumDataDirectoryOfAnotherInstance", {chromium + " --user-data-dir=/tmp/other"}, 100, std::nullopt},
        Case{"ChromiumDataDirectoryWithoutLock", {chromium, "--user-data-dir=/etc"}, 100, std::nullopt},
        Case{"ChromiumDefaultProfile", {chromium}, 100, std::vector<std::string>{}},
        Case{"FirefoxProfileDirectory",
             {"firefox-esr", "--no-remote", "--profile", "/tmp/ff", "--new-instance", "-url", "about:blank", "--kiosk",
              "--headless", "-private-window"},
             200,
             {{"--profile", "/tmp/ff"}}},
        Case{"FirefoxContentProcessLeadsToItsBrowser", {"firefox-esr", "-profile", "/tmp/ff"}, 202,
             {{"--profile", "/tmp/ff"}}},
        Case{"FirefoxCaseAndRelativeDirectory", {"firefox", "-PROFILE", "ff", "-P", "work", "-new-tab", "https://x/"},
             200,
             {{"--profile", "/home/me/ff", "-P", "work"}}},
        // Firefox takes the first match; a value that is an option is none
        // (-P alone opens the profile manager).
        Case{"FirefoxFirstMatchAndOptionValues", {"firefox", "-P", "--no-remote", "-P", "work", "--profile", "-url"},
             200,
             std::vector<std::string>{}},
        // Epiphany's default profile takes the address over the session bus;
        // page and window options are not copied.
        Case{"EpiphanyDefaultProfile", {"epiphany", "--new-window", "-l", "/tmp/pia", "https://x/"}, 500, std::vector<std::string>{}},
        // Instances of their own take no address from another process.
        Case{"EpiphanyProfileFolder", {"epiphany", "--profile=/tmp/e", "https://x/"}, 500, std::nullopt},
        Case{"EpiphanyProfileFolderApart", {"epiphany", "--profile", "/tmp/e"}, 500, std::nullopt},
        Case{"EpiphanyPrivateInstance", {"epiphany", "--private-instance"}, 500, std::nullopt},
        Case{"EpiphanyIncognito", {"epiphany", "-i"}, 500, std::nullopt},
        Case{"EpiphanyShortOptionsGrouped", {"epiphany", "-lp", "/tmp/s"}, 500, std::nullopt},
        Case{"EpiphanyWebApplication", {"epiphany", "--application-mode", "--profile=/x/app"}, 500, std::nullopt},
        Case{"EpiphanyAutomation", {"epiphany", "--automation-mode"}, 500, std::nullopt},
        Case{"EpiphanyPagesAfterTheTerminator", {"epiphany", "--", "--profile=/tmp/e"}, 500, std::vector<std::string>{}},
        // Not a browser the opener knows: the address alone, as before.
        Case{"OtherProgram", {"/opt/standin", "--user-data-dir=/tmp/chr", "--no-sandbox"}, 300,
             std::vector<std::string>{}},
        Case{"UnknownPid", {chromium}, 999, std::nullopt}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(BrowserOpenerHelpers, NeedTheirBrowserRunningTheSameProgram) {
    TableSource source = desktop({debianChromium}, {"firefox-esr"});
    // A renderer whose parent is something else, one that was re-parented
    // to init, and a chain of helpers that never ends.
    source.processes[101].executable = "/bin/sh";
    source.processes[103] = {chromium, Family::chromium, {chromium + " --type=renderer"}, "/", 1};
    source.processes[104] = {chromium, Family::chromium, {chromium + " --type=utility"}, "/", 104};
    for (const std::int32_t pid : {102, 103, 104})
        EXPECT_FALSE(platform::browser::openerFor(pid, url, source).command.has_value()) << pid;
}

// A program no installed application declares opens web addresses is
// never started, whatever its command line looks like; a helper is judged
// by its browser's program.
TEST(BrowserOpenerPrograms, OnlyThoseThatDeclareWebAddresses) {
    TableSource source = desktop({debianChromium}, {"firefox-esr"});
    source.processes[400] = {"/usr/bin/python3.11", Family::other, {"python3", "-m", "http.server"}, "/home/me", 1};
    source.processes[401] = {"/usr/bin/yes", Family::other, {"yes"}, "/home/me", 1};
    source.processes[402] = {"/usr/bin/python3.11", Family::other, {"python3", "--type=renderer"}, "/", 400};
    for (const std::int32_t pid : {400, 401, 402}) {
        const auto lookup = platform::browser::openerFor(pid, url, source);
        EXPECT_FALSE(lookup.command.has_value()) << pid;
        EXPECT_TRUE(lookup.notAWebBrowser) << pid;
    }
    source.browsers.erase(chromium);
    for (const std::int32_t pid : {100, 102}) {
        const auto lookup = platform::browser::openerFor(pid, url, source);
        EXPECT_FALSE(lookup.command.has_value()) << pid;
        EXPECT_TRUE(lookup.notAWebBrowser) << pid;
    }
}

}  // namespace
