#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "capture/screenshot_command.h"
#include "platform/memory/memory_desktop.h"

namespace {

using platform::Rect;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

const Rect screen{0, 0, 1920, 1080};

// Application 812 with three windows told apart by their x.
memory::Node* windows[3];
Rect windowRect(int index) { return Rect{100.0 + 100 * index, 50, 640, 480}; }

void scriptDesktop() {
    memory::resetDesktop();
    memory::desktop().displays = {{1, screen}};
    memory::Node& app = memory::addApplication(812, "Browser");
    for (int i = 0; i < 3; ++i) {
        const Rect r = windowRect(i);
        windows[i] = &memory::newElement("AXWindow", "Window " + std::to_string(i));
        windows[i]->setPosition(r.x, r.y).setSize(r.width, r.height);
        app.addWindow(*windows[i]);
    }
}

CommandResult screenshot(std::vector<std::string> operands) {
    Arguments arguments{"tavik-ax", "screenshot"};
    arguments.insert(arguments.end(), operands.begin(), operands.end());
    return runScreenshot(arguments);
}

std::string errorOf(const CommandResult& result) {
    const auto document = nlohmann::json::parse(result.document);
    return document.contains("error") ? document["error"].get<std::string>() : "";
}

struct ScanCase {
    const char* name;
    std::vector<std::string> operands;
    std::optional<int> window;  // nothing: the screen is captured
};

class ScreenshotScan : public testing::TestWithParam<ScanCase> {};

TEST_P(ScreenshotScan, ChoosesScopeAndWindow) {
    scriptDesktop();
    const CommandResult result = screenshot(GetParam().operands);

    ASSERT_EQ(result.status, 0) << result.document;
    const auto answer = nlohmann::json::parse(result.document);
    const Rect expected = GetParam().window ? windowRect(*GetParam().window) : screen;
    EXPECT_EQ(answer["scope"], GetParam().window ? "window" : "screen");
    EXPECT_EQ(answer["x"], static_cast<std::int64_t>(expected.x));
    ASSERT_EQ(memory::desktop().capturedRects.size(), 1u);
    EXPECT_EQ(memory::desktop().capturedRects[0].x, expected.x);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ScreenshotScan,
    testing::Values(ScanCase{"NoArguments", {}, std::nullopt},
                    // pid 0 is no longer below 0, so 812 is ignored.
                    ScanCase{"ZeroThenPid", {"0", "812"}, std::nullopt},
                    ScanCase{"NegativeThenPid", {"-5", "812"}, 0},
                    ScanCase{"WordThenPid", {"abc", "812"}, 0},
                    ScanCase{"PidThenWindow", {"812", "--window", "2"}, 2},
                    ScanCase{"WindowThenPid", {"--window", "2", "812"}, 2},
                    ScanCase{"LaterWindowWins", {"812", "--window", "1", "--window", "2"}, 2},
                    ScanCase{"WindowNotANumber", {"812", "--window", "x"}, 0},
                    ScanCase{"WindowWithoutPid", {"--window", "3"}, std::nullopt},
                    // A trailing --window is an ordinary argument.
                    ScanCase{"WindowAsLastArgument", {"812", "--window"}, 0}),
    [](const testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(Screenshot, AnswersWithTheSevenKeys) {
    scriptDesktop();
    const CommandResult result = screenshot({});

    ASSERT_EQ(result.status, 0);
    const auto answer = nlohmann::json::parse(result.document);
    const auto& files = memory::desktop().files;
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(answer, nlohmann::json({{"success", true},
                                      {"path", files.begin()->first},
                                      {"scope", "screen"},
                                      {"x", 0},
                                      {"y", 0},
                                      {"width", 1920},
                                      {"height", 1080}}));
}

TEST(Screenshot, ReportsTruncatedNumbersButCapturesTheExactRectangle) {
    scriptDesktop();
    windows[0]->setPosition(100.7, -20.2).setSize(640.9, 480.5);

    const CommandResult result = screenshot({"812"});

    ASSERT_EQ(result.status, 0) << result.document;
    const auto answer = nlohmann::json::parse(result.document);
    EXPECT_EQ(answer["x"], 100);
    EXPECT_EQ(answer["y"], -20);
    EXPECT_EQ(answer["width"], 640);
    EXPECT_EQ(answer["height"], 480);
    const Rect captured = memory::desktop().capturedRects.at(0);
    EXPECT_EQ(captured.x, 100.7);
    EXPECT_EQ(captured.y, -20.2);
    EXPECT_EQ(captured.width, 640.9);
    EXPECT_EQ(captured.height, 480.5);
}

struct ErrorCase {
    const char* name;
    std::vector<std::string> operands;
    void (*script)();
    const char* message;  // empty: any message (the wording is ours)
};

const char* const unusable = "Window has no usable bounds (is it minimized?)";
const char* const captureFailed = "Capture failed (macOS Screen Recording permission may be required)";

class ScreenshotError : public testing::TestWithParam<ErrorCase> {};

TEST_P(ScreenshotError, EndsWithTheErrorDocumentAndNoFile) {
    scriptDesktop();
    GetParam().script();

    const CommandResult result = screenshot(GetParam().operands);

    EXPECT_EQ(result.status, 1);
    const std::string message = errorOf(result);
    if (*GetParam().message) {
        EXPECT_EQ(message, GetParam().message);
    } else {
        EXPECT_FALSE(message.empty()) << result.document;
    }
    EXPECT_TRUE(memory::desktop().files.empty());
}

void nothing() {}

INSTANTIATE_TEST_SUITE_P(
    Errors, ScreenshotError,
    testing::Values(
        ErrorCase{"UnknownPid", {"999"}, nothing, "Window not found (pid 999, index 0)"},
        ErrorCase{"IndexBeyondWindows", {"812", "--window", "3"}, nothing, "Window not found (pid 812, index 3)"},
        ErrorCase{"NegativeIndex", {"812", "--window", "-1"}, nothing, "Window not found (pid 812, index -1)"},
        ErrorCase{"PositionUnreadable", {"812"}, [] { windows[0]->set("AXPosition", memory::Failure{}); }, unusable},
        ErrorCase{"SizeMissing", {"812"}, [] { windows[0]->attributes.pop_back(); }, unusable},
        ErrorCase{"ZeroSize", {"812"}, [] { windows[0]->setSize(0, 0); }, unusable},
        ErrorCase{"NegativeHeight", {"812"}, [] { windows[0]->setSize(640, -1); }, unusable},
        ErrorCase{"WidthNotANumber", {"812"}, [] { windows[0]->setSize(nan, 480); }, unusable},
        ErrorCase{"InfiniteSize", {"812"}, [] { windows[0]->setSize(infinity, 480); }, unusable},
        ErrorCase{"PositionOutOfRange", {"812"}, [] { windows[0]->setPosition(0, 9.3e18); }, unusable},
        ErrorCase{"EmptyScreen", {}, [] { memory::desktop().displays = {{1, {0, 0, 0, 0}}}; },
                  "Nothing to capture (computed size 0x0)"},
        ErrorCase{"FlatScreen", {}, [] { memory::desktop().displays = {{1, {0, 0, 1920.7, 0}}}; },
                  "Nothing to capture (computed size 1920x0)"},
        ErrorCase{"NoImage", {}, [] { memory::desktop().captureResult.reset(); }, captureFailed},
        ErrorCase{"NoPngData", {"812"}, [] { memory::desktop().encodeFails = true; }, captureFailed},
        ErrorCase{"TemporaryDirectoryNotWritable", {},
                  [] { memory::desktop().readOnlyDirectories.insert("/mem/tmp"); },
                  "Capture failed (could not create the folder /mem/tmp/tavik-shots: Read-only file system)"},
        // Real displays never report these; the run must still end cleanly.
        ErrorCase{"ScreenWidthNotANumber", {}, [] { memory::desktop().displays = {{1, {0, 0, nan, 1080}}}; }, ""},
        ErrorCase{"ScreenInfinitelyWide", {}, [] { memory::desktop().displays = {{1, {0, 0, infinity, 1080}}}; },
                  ""},
        ErrorCase{"ScreenOutOfRange", {}, [] { memory::desktop().displays = {{1, {-1e19, 0, 800, 600}}}; }, ""},
        ErrorCase{"ScreenEdgesOverflow", {},
                  [] {
                      memory::desktop().displays = {{1, {-1.7e308, 0, 800, 600}}, {2, {1.7e308, 0, 1.7e308, 600}}};
                  },
                  ""},
        ErrorCase{"MainDisplayNull", {},
                  [] { memory::desktop().displays = {{1, {infinity, infinity, 0, 0}}}; }, ""}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(Screenshot, ErrorsBeforeTheCaptureLeaveItUntaken) {
    for (const auto& operands : std::vector<std::vector<std::string>>{{"999"}, {"812"}, {}}) {
        scriptDesktop();
        windows[0]->setSize(0, 0);
        memory::desktop().displays = {{1, {0, 0, 0, 0}}};
        EXPECT_EQ(screenshot(operands).status, 1);
        EXPECT_TRUE(memory::desktop().capturedRects.empty());
        EXPECT_TRUE(memory::desktop().directories.count("/mem/tmp/tavik-shots") == 0);
    }
}

}  // namespace
