#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "navigation/navigate.h"
#include "navigation/navigate_command.h"
#include "platform/memory/memory_desktop.h"

namespace {

const std::string browserPath = "/Applications/Browser.app";

struct NavigateCase {
    const char* name;
    std::vector<std::string> operands;  // pid and url as given on the command line
    const char* error;                  // empty: success
    std::optional<std::string> launchError = std::nullopt;
    std::int32_t exitStatus = 0;
    bool launched = false;  // an opener process was started
};

const char* const schemeError = "navigate only accepts http:// or https:// URLs";
const char* const unsafeError = "URL contains characters that are not safe to pass on a command line";
const char* const usage = "Usage: tavik-ax navigate <pid> <url>";

class Navigate : public testing::TestWithParam<NavigateCase> {};

TEST_P(Navigate, ValidatesLaunchesWaitsAndAnswers) {
    const NavigateCase& c = GetParam();
    memory::resetDesktop();
    memory::addApplication(500, "Browser");
    memory::desktop().applications.back().path = browserPath;
    memory::addApplication(501, "Daemon");  // no path: cannot be relaunched
    memory::addApplication(502, "Player");  // declares no web addresses
    memory::desktop().applications.back().path = "/Applications/Player.app";
    memory::desktop().applications.back().opensWebAddresses = false;
    memory::desktop().launchError = c.launchError;
    memory::desktop().exitStatus = c.exitStatus;
    Arguments arguments{"tavik-ax", "navigate"};
    arguments.insert(arguments.end(), c.operands.begin(), c.operands.end());

    const CommandResult result = runNavigate(arguments);

    const auto document = nlohmann::json::parse(result.document);
    const auto launches = memory::recordsOf<memory::Launched>();
    const auto pauses = memory::recordsOf<memory::Paused>();
    if (*c.error) {
        EXPECT_EQ(document, nlohmann::json({{"error", c.error}}));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(launches.size(), c.launched ? 1u : 0u);
        EXPECT_TRUE(pauses.empty());
        return;
    }
    const std::string url = c.operands.at(1);
    EXPECT_EQ(document, nlohmann::json({{"success", true}, {"method", "open"}, {"url", url}}));
    EXPECT_EQ(result.status, 0);
    // The opener gets the address unchanged as one argument, no shell.
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].command.program, "/usr/bin/open");
    EXPECT_EQ(launches[0].command.arguments, (std::vector<std::string>{"-a", browserPath, url}));
    // The answer comes after the opener ended and a further 1.5 s.
    const auto& records = memory::desktop().records;
    ASSERT_EQ(records.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<memory::Launched>(records[0]));
    EXPECT_TRUE(std::holds_alternative<memory::Waited>(records[1]));
    ASSERT_TRUE(std::holds_alternative<memory::Paused>(records[2]));
    EXPECT_EQ(std::get<memory::Paused>(records[2]).microseconds, 1500000u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Navigate,
    testing::Values(
        NavigateCase{"UpperCaseScheme", {"500", "HTTPS://Example.com/Path?Q=A"}, ""},
        NavigateCase{"MixedCaseScheme", {"500", "Http://example.com"}, ""},
        NavigateCase{"BareScheme", {"500", "http://"}, ""},
        NavigateCase{"TabPasses", {"500", "http://example.com/a\tb"}, ""},
        NavigateCase{"ExtraArgumentsIgnored", {"500", "https://example.com", "more"}, ""},
        NavigateCase{"NoScheme", {"500", "example.com"}, schemeError},
        NavigateCase{"OtherScheme", {"500", "ftp://example.com"}, schemeError},
        NavigateCase{"SchemeCheckedBeforeSpace", {"500", "file:///tmp/a b"}, schemeError},
        // An address can never reach the opener as an option.
        NavigateCase{"LooksLikeAnOption", {"500", "-ahttp://example.com"}, schemeError},
        NavigateCase{"Space", {"500", "http://example.com/a b"}, unsafeError},
        NavigateCase{"Quote", {"500", "http://example.com/a\"b"}, unsafeError},
        NavigateCase{"LineFeed", {"500", "http://example.com/\nb"}, unsafeError},
        NavigateCase{"CarriageReturn", {"500", "http://example.com/\rb"}, unsafeError},
        NavigateCase{"UnknownPid", {"999", "http://example.com"}, "Cannot locate the browser application for pid 999"},
        NavigateCase{"NegativePid", {"-1", "http://example.com"}, "Cannot locate the browser application for pid -1"},
        NavigateCase{"NoApplicationPath", {"501", "http://example.com"},
                     "Cannot locate the browser application for pid 501"},
        // Any other program would take the address as a file to run.
        NavigateCase{"NotAWebBrowser", {"502", "http://evil.example/page.py"},
                     "The application of process 502 does not open web addresses"},
        NavigateCase{"NotAWebBrowserStillChecksTheAddressFirst", {"502", "file:///x"}, schemeError},
        NavigateCase{"PidNotANumber", {"12x", "http://example.com"}, usage},
        NavigateCase{"UrlMissing", {"500"}, usage},
        NavigateCase{"LaunchFails", {"500", "http://example.com"}, "Launch failed: No such file or directory",
                     "No such file or directory"},
        NavigateCase{"OpenerFails", {"500", "http://example.com"}, "open exited with status 3", std::nullopt, 3,
                     true}),
    [](const testing::TestParamInfo<NavigateCase>& info) { return std::string(info.param.name); });

TEST(NavigateFunction, ReturnsCompactTextWithEscapedSlashes) {
    memory::resetDesktop();
    memory::addApplication(500, "Browser");
    memory::desktop().applications.back().path = browserPath;

    const std::string answer = navigate(500, "http://example.com/");

    EXPECT_NE(answer.find("\"url\":\"http:\\/\\/example.com\\/\""), std::string::npos) << answer;
    EXPECT_FALSE(answer.starts_with("{\"error\""));
    EXPECT_TRUE(navigate(500, "ftp://x").starts_with("{\"error\""));
}

}  // namespace
