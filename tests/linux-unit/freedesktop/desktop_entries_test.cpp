// Which installed desktop entries declare that their program opens web
// addresses, and whether that program is a running process's executable.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/linux/freedesktop/desktop_entries.h"

namespace {

using platform::desktop::webAddressProgram;

struct EntryCase {
    const char* name;
    const char* text;
    std::optional<std::string> program;
};

class DesktopEntry : public testing::TestWithParam<EntryCase> {};

TEST_P(DesktopEntry, NamesTheProgramOnlyOfAWebAddressHandler) {
    EXPECT_EQ(webAddressProgram(GetParam().text), GetParam().program);
}

// Debian's Chromium entry, shortened: translations, comments and an action
// group with an Exec of its own.
const char* const chromiumEntry = R"([Desktop Entry]
Version=1.0
Name=Chromium
# Only the English name here
Name[de]=Chromium-Webbrowser
GenericName[de]=Webbrowser
Exec=/usr/bin/chromium %U
Terminal=false
X-MultipleArgs=false
Type=Application
Icon=chromium
Categories=Network;WebBrowser;
MimeType=text/html;text/xml;application/xhtml_xml;application/x-mimearchive;x-scheme-handler/http;x-scheme-handler/https;
StartupWMClass=chromium
StartupNotify=true
Keywords=browser
Actions=NewWindow;Incognito;TempProfile;

[Desktop Action NewWindow]
Name=Open a New Window
Exec=/usr/bin/chromium
)";

INSTANTIATE_TEST_SUITE_P(
    Cases, DesktopEntry,
    testing::Values(
        EntryCase{"Chromium", chromiumEntry, "/usr/bin/chromium"},
        EntryCase{"BareNameAndHttpsOnly",
                  "[Desktop Entry]\nType=Application\nExec=firefox-esr %u\nMimeType=x-scheme-handler/https\n",
                  "firefox-esr"},
        EntryCase{"BlanksAroundTheEqualsSignAndCaseOfTheType",
                  "[Desktop Entry]\nType = Application\nExec = browser  --new-tab %u\n"
                  "MimeType = X-Scheme-Handler/HTTP;\n",
                  "browser"},
        // Quoting: a quoted program with a blank; inside quotes a backslash
        // escapes a quote, written doubled because the value is unescaped
        // first.
        EntryCase{"QuotedProgram",
                  "[Desktop Entry]\nType=Application\nExec=\"/opt/My Browser/run\" %U\n"
                  "MimeType=x-scheme-handler/http;\n",
                  "/opt/My Browser/run"},
        EntryCase{"EscapedQuoteInsideQuotes",
                  "[Desktop Entry]\nType=Application\nExec=\"/opt/a\\\\\"b/run\" %u\n"
                  "MimeType=x-scheme-handler/http;\n",
                  "/opt/a\"b/run"},
        EntryCase{"OtherSchemesOnly",
                  "[Desktop Entry]\nType=Application\nExec=/usr/bin/ftp %u\n"
                  "MimeType=text/html;x-scheme-handler/ftp;x-scheme-handler/httpx;application/http;\n",
                  std::nullopt},
        EntryCase{"NoMimeType", "[Desktop Entry]\nType=Application\nExec=/usr/bin/yes\n", std::nullopt},
        EntryCase{"MimeTypeOnlyInAnotherGroup",
                  "[Desktop Entry]\nType=Application\nExec=/usr/bin/yes\n\n[Desktop Action x]\n"
                  "MimeType=x-scheme-handler/http;\n",
                  std::nullopt},
        EntryCase{"ExecOnlyInAnotherGroup",
                  "[Desktop Entry]\nType=Application\nMimeType=x-scheme-handler/http;\n\n[Desktop Action x]\n"
                  "Exec=/usr/bin/chromium\n",
                  std::nullopt},
        EntryCase{"ExecOnlyLocalized",
                  "[Desktop Entry]\nType=Application\nExec[de]=/usr/bin/chromium\nMimeType=x-scheme-handler/http;\n",
                  std::nullopt},
        EntryCase{"ExecCommentedOut",
                  "[Desktop Entry]\nType=Application\n#Exec=/usr/bin/chromium\nMimeType=x-scheme-handler/http;\n",
                  std::nullopt},
        EntryCase{"MimeTypeCommentedOut",
                  "[Desktop Entry]\nType=Application\nExec=/usr/bin/yes\n# MimeType=x-scheme-handler/http;\n",
                  std::nullopt},
        EntryCase{"LinkNotApplication",
                  "[Desktop Entry]\nType=Link\nURL=https://a/\nExec=/usr/bin/yes\nMimeType=x-scheme-handler/http;\n",
                  std::nullopt},
        EntryCase{"NoType", "[Desktop Entry]\nExec=/usr/bin/yes\nMimeType=x-scheme-handler/http;\n", std::nullopt},
        EntryCase{"FieldCodeAsProgram",
                  "[Desktop Entry]\nType=Application\nExec=%u\nMimeType=x-scheme-handler/http;\n", std::nullopt},
        EntryCase{"EmptyExec", "[Desktop Entry]\nType=Application\nExec=\nMimeType=x-scheme-handler/http;\n",
                  std::nullopt},
        EntryCase{"UnclosedQuote",
                  "[Desktop Entry]\nType=Application\nExec=\"/usr/bin/b %u\nMimeType=x-scheme-handler/http;\n",
                  std::nullopt},
        EntryCase{"OtherGroupName",
                  "[Desktop Entry Extra]\nType=Application\nExec=/usr/bin/b\nMimeType=x-scheme-handler/http;\n",
                  std::nullopt},
        EntryCase{"NotAKeyFile", "Exec=/usr/bin/b\nMimeType=x-scheme-handler/http;\n[Desktop Entry]\n",
                  std::nullopt}),
    [](const testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

// Debian's layout of the two browsers, a few other programs, and a folder
// of PATH given relative to wherever the tool runs.
class TableFiles final : public platform::desktop::Files {
public:
    std::set<std::string> executables{"/usr/bin/chromium",
                                      "/usr/lib/chromium/chromium",
                                      "/usr/lib/chromium/chrome_crashpad_handler",
                                      "/usr/bin/firefox-esr",
                                      "/usr/lib/firefox-esr/firefox-esr",
                                      "/usr/bin/gdb",
                                      "/usr/bin/launcher",
                                      "/usr/lib/launcher/launcher",
                                      "bin/browser",
                                      "/home/me/bin/browser"};
    std::map<std::string, std::string> links{{"/usr/bin/firefox-esr", "/usr/lib/firefox-esr/firefox-esr"}};
    std::set<std::string> scripts{"/usr/bin/chromium"};

    std::optional<std::string> canonicalPath(const std::string& path) const override {
        if (!executables.count(path)) return std::nullopt;
        const auto link = links.find(path);
        return link == links.end() ? path : link->second;
    }
    bool isExecutableFile(const std::string& path) const override { return executables.count(path) > 0; }
    bool isScript(const std::string& path) const override { return scripts.count(path) > 0; }
};

struct MatchCase {
    const char* name;
    const char* program;  // as the entry's Exec names it
    const char* executable;
    bool same;
};

class EntryProgram : public testing::TestWithParam<MatchCase> {};

TEST_P(EntryProgram, IsTheProcessExecutableOnlyThroughPathLinksOrTheLauncherLayout) {
    const MatchCase& c = GetParam();
    const std::vector<std::string> searchPath{"bin", "", "/usr/local/bin", "/usr/bin"};
    EXPECT_EQ(platform::desktop::runsExecutable(c.program, c.executable, searchPath, TableFiles()), c.same);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryProgram,
    testing::Values(
        MatchCase{"SamePath", "/usr/lib/firefox-esr/firefox-esr", "/usr/lib/firefox-esr/firefox-esr", true},
        MatchCase{"ThroughALink", "/usr/bin/firefox-esr", "/usr/lib/firefox-esr/firefox-esr", true},
        MatchCase{"BareNameOnPath", "firefox-esr", "/usr/lib/firefox-esr/firefox-esr", true},
        MatchCase{"LauncherScript", "/usr/bin/chromium", "/usr/lib/chromium/chromium", true},
        MatchCase{"LauncherScriptByName", "chromium", "/usr/lib/chromium/chromium", true},
        // Chromium's launcher script names /usr/bin/gdb; that makes gdb no browser.
        MatchCase{"ProgramTheScriptMentions", "/usr/bin/chromium", "/usr/bin/gdb", false},
        MatchCase{"OtherProgramOfThePackage", "/usr/bin/chromium", "/usr/lib/chromium/chrome_crashpad_handler",
                  false},
        MatchCase{"LauncherLayoutWithoutAScript", "/usr/bin/launcher", "/usr/lib/launcher/launcher", false},
        MatchCase{"OtherProgram", "/usr/bin/chromium", "/usr/lib/firefox-esr/firefox-esr", false},
        // Only absolute folders of PATH, and no path relative to our own
        // working directory.
        MatchCase{"OnlyInARelativePathFolder", "browser", "/home/me/bin/browser", false},
        MatchCase{"RelativePath", "bin/browser", "bin/browser", false},
        MatchCase{"Missing", "/usr/bin/nothing", "/usr/bin/nothing", false},
        MatchCase{"Empty", "", "/usr/bin/gdb", false}),
    [](const testing::TestParamInfo<MatchCase>& info) { return std::string(info.param.name); });

TEST(ApplicationFolders, FollowTheDataHomeAndDataDirectories) {
    using Variables = std::map<std::string, std::string>;
    const auto folders = [](const Variables& variables) {
        return platform::desktop::applicationFolders([&](const char* name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            if (found == variables.end()) return std::nullopt;
            return found->second;
        });
    };
    EXPECT_EQ(folders({{"HOME", "/home/me"}}),
              (std::vector<std::string>{"/home/me/.local/share/applications", "/usr/local/share/applications",
                                        "/usr/share/applications"}));
    EXPECT_EQ(folders({{"HOME", "/home/me"}, {"XDG_DATA_HOME", "/data"}, {"XDG_DATA_DIRS", "/a:rel::/b/"}}),
              (std::vector<std::string>{"/data/applications", "/a/applications", "/b//applications"}));
    // Relative settings name nothing; an empty list means the default.
    EXPECT_EQ(folders({{"HOME", "home"}, {"XDG_DATA_HOME", "data"}, {"XDG_DATA_DIRS", ""}}),
              (std::vector<std::string>{"/usr/local/share/applications", "/usr/share/applications"}));
}

}  // namespace
