#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "accessibility/applications.h"
#include "accessibility/attributes.h"
#include "main/driver.h"
#include "platform/memory/memory_desktop.h"

namespace {

using memory::Node;
using platform::ActivationPolicy;

CommandResult run(std::vector<std::string> operands) {
    Arguments arguments{"tavik-ax"};
    arguments.insert(arguments.end(), operands.begin(), operands.end());
    return runDriver(arguments);
}

class Accessibility : public ::testing::Test {
protected:
    void SetUp() override { memory::resetDesktop(); }
};

TEST_F(Accessibility, WindowElementByIndex) {
    Node& app = memory::addApplication(10, "Three");
    for (const char* title : {"one", "two", "three"}) app.addWindow(memory::newElement("AXWindow", title));
    memory::addApplication(11, "Empty").set("AXWindows", std::vector<Node*>{});

    const struct {
        std::int32_t pid;
        std::int64_t index;
        std::optional<std::string> title;
    } cases[] = {
        {10, 0, "one"}, {10, 2, "three"}, {10, 3, std::nullopt}, {10, -1, std::nullopt},
        {10, INT64_MIN, std::nullopt}, {11, 0, std::nullopt}, {99, 0, std::nullopt},
    };
    const long before = memory::liveHandles();
    for (const auto& c : cases) {
        const auto window = getWindowElement(c.pid, c.index);
        EXPECT_EQ(window ? getStringAttr(*window, "AXTitle") : std::nullopt, c.title) << c.pid << " " << c.index;
    }
    EXPECT_EQ(memory::liveHandles(), before);
}

TEST_F(Accessibility, CheckPermissionAsksWithPromptAndIgnoresExtraWords) {
    memory::desktop().trusted = false;
    const CommandResult result = run({"check-permission", "extra", "words"});
    EXPECT_EQ(result.document, R"({"trusted":false})");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(memory::desktop().trustQueries, std::vector<bool>{true});

    memory::desktop().trusted = true;
    EXPECT_EQ(run({"check-permission"}).document, R"({"trusted":true})");
}

TEST_F(Accessibility, ActivateCommand) {
    memory::addApplication(42, "Browser").settable.insert("AXEnhancedUserInterface");
    const struct {
        std::vector<std::string> operands;
        std::string document;
        int status;
    } cases[] = {
        {{"activate", "+42"}, R"({"success":true,"pid":42})", 0},
        {{"activate", "42", "ignored"}, R"({"success":true,"pid":42})", 0},
        {{"activate", "-5"}, R"({"success":false,"pid":-5})", 0},
        {{"activate", "777"}, R"({"success":false,"pid":777})", 0},
        {{"activate"}, R"({"error":"Usage: tavik-ax activate <pid>"})", 1},
        {{"activate", "2147483648"}, R"({"error":"Usage: tavik-ax activate <pid>"})", 1},
        {{"activate", "4e2"}, R"({"error":"Usage: tavik-ax activate <pid>"})", 1},
        {{"activate", "0x10"}, R"({"error":"Usage: tavik-ax activate <pid>"})", 1},
        {{"activate", "12abc"}, R"({"error":"Usage: tavik-ax activate <pid>"})", 1},
    };
    for (const auto& c : cases) {
        const CommandResult result = run(c.operands);
        EXPECT_EQ(result.document, c.document) << c.operands.back();
        EXPECT_EQ(result.status, c.status) << c.operands.back();
    }
    // The setting goes to the application root, with the Boolean true.
    const auto sets = memory::recordsOf<memory::AttributeSet>();
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets.front().attribute, "AXEnhancedUserInterface");
    EXPECT_EQ(sets.front().flag, true);
}

class WindowList : public Accessibility {
protected:
    nlohmann::json list() {
        const CommandResult result = run({"list-windows", "ignored"});
        EXPECT_EQ(result.status, 0);
        return nlohmann::json::parse(result.document);
    }
};

TEST_F(WindowList, CountsUntitledWindowsAndSkipsOtherPolicies) {
    Node& editor = memory::addApplication(100, "Editor");
    editor.addWindow(memory::newElement("AXWindow"));
    editor.addWindow(memory::newElement("AXWindow", "Second").setPosition(10, 20).setSize(300, 200));
    editor.addWindow(memory::newElement("AXWindow").set("AXTitle", std::int64_t{5}));
    memory::addApplication(200, std::nullopt).addWindow(memory::newElement("AXWindow", "Nameless"));
    memory::addApplication(300, "Agent", ActivationPolicy::accessory).addWindow(memory::newElement("AXWindow", "Menu"));
    memory::addApplication(400, "Ghost", ActivationPolicy::prohibited).addWindow(memory::newElement("AXWindow", "G"));
    memory::addApplication(500, "Refusing").set("AXWindows", memory::Failure{});
    memory::addApplication(600, "NotAList").set("AXWindows", std::string("x"));

    EXPECT_EQ(list(), nlohmann::json::parse(R"([
        {"app":"Editor","pid":100,"windowIndex":1,"title":"Second","x":10,"y":20,"width":300,"height":200},
        {"app":"Unknown","pid":200,"windowIndex":0,"title":"Nameless"}])"));
}

TEST_F(WindowList, GeometryPairsConvertTogether) {
    const double inf = INFINITY;
    const double twoTo63 = 9223372036854775808.0;
    const struct {
        double x, y, width, height;
        const char* expected;
    } cases[] = {
        {-1440.7, 12.9, 99.9, 0.5, R"({"x":-1440,"y":12,"width":99,"height":0})"},
        {-0.5, std::nan(""), 10, 10, R"({"width":10,"height":10})"},
        {0, 0, inf, 10, R"({"x":0,"y":0})"},
        {-twoTo63, 0, twoTo63, 1, R"({"x":-9223372036854775808,"y":0})"},
        {-inf, 0, 1, -twoTo63 * 2, R"({})"},
    };
    for (const auto& c : cases) {
        memory::resetDesktop();
        memory::addApplication(1, "A").addWindow(
            memory::newElement("AXWindow", "W").setPosition(c.x, c.y).setSize(c.width, c.height));
        nlohmann::json record = list().at(0);
        for (const char* key : {"app", "pid", "windowIndex", "title"}) record.erase(key);
        EXPECT_EQ(record, nlohmann::json::parse(c.expected)) << c.expected;
    }
}

TEST_F(WindowList, UnreadablePositionLeavesOnlyTheSize) {
    memory::addApplication(1, "A").addWindow(
        memory::newElement("AXWindow", "W").set("AXPosition", memory::Failure{}).setSize(640, 480));
    memory::addApplication(2, "B").addWindow(memory::newElement("AXWindow", "V"));
    EXPECT_EQ(list(), nlohmann::json::parse(R"([
        {"app":"A","pid":1,"windowIndex":0,"title":"W","width":640,"height":480},
        {"app":"B","pid":2,"windowIndex":0,"title":"V"}])"));
}

TEST_F(WindowList, TitlesAreCutAtACharacterBoundary) {
    // An application may title a window with megabytes; a combining accent
    // at the limit stays with its letter.
    const std::string eAcute = "e\xCC\x81";
    std::string huge, kept;
    for (int i = 0; i < 10000; ++i) kept += eAcute;
    huge = kept;
    while (huge.size() < 10'000'000) huge += huge;
    memory::addApplication(1, "A").addWindow(memory::newElement("AXWindow", huge));
    memory::addApplication(2, "B").addWindow(memory::newElement("AXWindow", kept));
    const nlohmann::json windows = list();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0]["title"], kept);
    EXPECT_EQ(windows[1]["title"], kept);
}

TEST_F(WindowList, EmptyDesktopPrintsEmptyArray) {
    const CommandResult result = run({"list-windows"});
    EXPECT_EQ(result.document, "[]");
    EXPECT_EQ(result.status, 0);
}

}  // namespace
