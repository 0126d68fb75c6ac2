#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/memory/memory_desktop.h"
#include "tree/find_command.h"

namespace {

using Json = nlohmann::json;
using Lines = std::vector<std::string>;

constexpr std::int32_t pid = 77;

void removeRoleAndTitle(memory::Node& node) {
    std::erase_if(node.attributes, [](const auto& attribute) {
        return attribute.first == "AXRole" || attribute.first == "AXTitle";
    });
}

// Window 0 ("Main"):
//   0.0 AXButton "Save As"
//   0.1 AXGroup, description "SAVE"
//     0.1.0 AXButton "OK"
//     0.1.1 AXPopUpButton, label "save later"
//   0.2 AXTextField, value "hello world", role description "save field"
//   0.3 AXCheckBox "Remember", numeric value 1
//   0.4 AXMenuButton "Options"
//   0.5 no role, "plain"
//   0.6 AXStaticText, value "Save"
// Window 1 ("Other"): 0.0 AXButton "Second".
class Find : public testing::Test {
protected:
    void SetUp() override {
        memory::resetDesktop();
        handlesBefore = memory::liveHandles();
        memory::Node& application = memory::addApplication(pid, "App");
        window = &memory::newElement("AXWindow", "Main");
        memory::Node& other = memory::newElement("AXWindow", "Other");
        application.addWindow(*window).addWindow(other);
        other.addChild(memory::newElement("AXButton", "Second"));

        memory::Node& group = memory::newElement("AXGroup");
        group.set("AXDescription", "SAVE");
        group.addChild(memory::newElement("AXButton", "OK"));
        group.addChild(memory::newElement("AXPopUpButton").set("AXLabel", "save later"));
        window->addChild(memory::newElement("AXButton", "Save As"))
            .addChild(group)
            .addChild(memory::newElement("AXTextField").set("AXValue", "hello world").set("AXRoleDescription",
                                                                                           "save field"))
            .addChild(memory::newElement("AXCheckBox", "Remember").set("AXValue", std::int64_t{1}))
            .addChild(memory::newElement("AXMenuButton", "Options"))
            .addChild(memory::newNode().set("AXTitle", "plain"))
            .addChild(memory::newElement("AXStaticText").set("AXValue", "Save"));
    }

    void TearDown() override { EXPECT_EQ(memory::liveHandles(), handlesBefore); }

    static CommandResult run(const Arguments& operands) {
        Arguments arguments{"tavik-ax", "find"};
        arguments.insert(arguments.end(), operands.begin(), operands.end());
        return runFind(arguments);
    }

    // "path title" of each match, in order.
    static Lines matches(const Arguments& options) {
        Arguments operands{std::to_string(pid)};
        operands.insert(operands.end(), options.begin(), options.end());
        const CommandResult result = run(operands);
        EXPECT_EQ(result.status, 0) << result.document;
        Lines lines;
        for (const Json& record : Json::parse(result.document))
            lines.push_back(record["path"].get<std::string>() + " " + record.value("title", ""));
        return lines;
    }

    long handlesBefore = 0;
    memory::Node* window = nullptr;
};

TEST_F(Find, CriteriaAndOptionWalk) {
    const Lines buttons{"0.0 Save As", "0.1.0 OK", "0.1.1 ", "0.4 Options"};
    const Lines labelledSave{"0.0 Save As", "0.1 ", "0.1.1 "};
    const Lines everything{"0 Main", "0.0 Save As", "0.1 ",       "0.1.0 OK", "0.1.1 ",
                           "0.2 ",   "0.3 Remember", "0.4 Options", "0.5 plain", "0.6 "};
    struct Case {
        Arguments options;
        Lines expected;
    };
    const Case cases[] = {
        {{}, {}},
        {{"--role", "button"}, buttons},
        {{"--role", "BUTTON"}, buttons},
        // Title, description and AXLabel; never the value or role description.
        {{"--label", "save"}, labelledSave},
        {{"--role", "button", "--label", "ok"}, {"0.1.0 OK"}},
        {{"--value", "HELLO"}, {"0.2 "}},
        {{"--value", "1"}, {}},  // a numeric value is no text
        {{"--role", ""}, everything},
        {{"--value", ""}, everything},
        {{"--role", "", "--label", "ok"}, {"0.1.0 OK"}},
        // An option takes the next argument whatever it is.
        {{"--role", "--label", "save"}, {}},
        {{"--label", "--role"}, {}},
        // An option with nothing after it sets nothing.
        {{"--label"}, {}},
        {{"--role", "button", "--label"}, buttons},
        // A later occurrence replaces an earlier one.
        {{"--label", "ok", "--label", "save"}, labelledSave},
        // Anything else is skipped alone.
        {{"--limit", "3", "--role", "group"}, {"0.1 "}},
        {{"--Role", "button"}, {}},
        {{"--window", "abc", "--role", "window"}, {"0 Main"}},
        {{"--window", "1", "--role", "button"}, {"0.0 Second"}},
        {{"--window", "+1", "--role", "button"}, {"0.0 Second"}},
        {{"--window", "2", "--window", "x", "--role", "window"}, {"0 Main"}},
        {{"--window", "1", "--role", "window", "--window"}, {"0 Other"}},
    };
    for (const Case& c : cases) {
        std::string name;
        for (const std::string& option : c.options) name += "[" + option + "]";
        EXPECT_EQ(matches(c.options), c.expected) << name;
    }
}

TEST_F(Find, Errors) {
    const std::string usage = R"({"error":"Usage: tavik-ax find <pid> [--role X] [--label X] [--value X] [--window N]"})";
    const std::string notFound = R"({"error":"Window not found"})";
    struct Case {
        Arguments operands;
        std::string document;
        int status;
    };
    const Case cases[] = {
        {{}, usage, 1},
        {{"x77", "--role", "button"}, usage, 1},
        {{"--role", "button"}, usage, 1},
        {{"77", "--window", "-1", "--role", "button"}, notFound, 1},
        {{"77", "--window", "2"}, notFound, 1},
        {{"78"}, notFound, 1},
        {{"77"}, "[]", 0},
        {{"77", "--role", "slider"}, "[]", 0},
    };
    for (const Case& c : cases) {
        const CommandResult result = run(c.operands);
        EXPECT_EQ(result.document, c.document);
        EXPECT_EQ(result.status, c.status);
    }
}

TEST_F(Find, MatchRecords) {
    memory::Node& full = memory::newElement("AXSlider", "Volume");
    full.set("AXValue", "loud")
        .set("AXRoleDescription", "slider")
        .set("AXDescription", "volume control")
        .set("AXLabel", "Level")
        .set("AXEnabled", true)
        .set("AXFocused", true)
        .setPosition(10.7, -3.2)
        .setSize(std::nan(""), 4)
        .setActions({"AXIncrement", "AXDecrement"})
        .addChild(memory::newElement("AXValueIndicator"));
    window->addChild(full);
    removeRoleAndTitle(*window);

    const CommandResult result = run({"77", "--role", "", "--window", "0"});
    const Json records = Json::parse(result.document);
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[0], (Json{{"role", ""}, {"path", "0"}, {"actions", Json::array()}}));
    const Json expected = {{"role", "AXSlider"},
                           {"path", "0.7"},
                           {"title", "Volume"},
                           {"value", "loud"},
                           {"description", "volume control"},
                           {"label", "Level"},
                           {"x", 10},
                           {"y", -3},
                           {"actions", {"AXIncrement", "AXDecrement"}}};
    EXPECT_EQ(records[records.size() - 2], expected);
    EXPECT_EQ(records.back()["path"], "0.7.0");
    // An element without a role never passes an active role test.
    EXPECT_EQ(matches({"--role", "a"}).front(), "0.0 Save As");
}

TEST_F(Find, LongValueMatchesBeyondWhatIsShown) {
    const std::string value = std::string(250, 'x') + "needle";
    window->addChild(memory::newElement("AXTextArea").set("AXValue", value));
    const Json records = Json::parse(run({"77", "--value", "NEEDLE"}).document);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["value"], std::string(200, 'x'));
}

TEST_F(Find, CaseAndCanonicalEquivalence) {
    const std::string capitalEAcute = "\xC3\x89";      // U+00C9
    const std::string eAcuteDecomposed = "e\xCC\x81";  // e + U+0301
    window->addChild(memory::newElement("AXButton", "Caf" + capitalEAcute));
    window->addChild(memory::newElement("AXButton", "\xC4\xB0stanbul"));  // U+0130
    window->addChild(memory::newElement("AXButton", "CAF" + std::string("E\xCC\x81")));
    EXPECT_EQ(matches({"--label", "caf" + eAcuteDecomposed}),
              (Lines{"0.7 Caf" + capitalEAcute, "0.9 CAFE\xCC\x81"}));
    EXPECT_EQ(matches({"--label", "CAF\xC3\xA9"}), (Lines{"0.7 Caf" + capitalEAcute, "0.9 CAFE\xCC\x81"}));
    EXPECT_EQ(matches({"--label", "i\xCC\x87stanbul"}), (Lines{"0.8 \xC4\xB0stanbul"}));
    EXPECT_EQ(matches({"--label", "\xC4\xB0STANBUL"}), (Lines{"0.8 \xC4\xB0stanbul"}));
    EXPECT_EQ(matches({"--label", "istanbul"}), Lines{});
}

TEST_F(Find, SearchesSixteenLevels) {
    memory::Node* parent = window;
    for (int depth = 1; depth <= 20; ++depth) {
        memory::Node& child = memory::newElement("AXGroup", "level " + std::to_string(depth));
        parent->addChild(child);
        parent = &child;
    }
    removeRoleAndTitle(*window);
    // Depths 0 to 15 of the chain; the first level of the chain sits after
    // the seven fixture children of the window.
    const Lines found = matches({"--label", "level"});
    ASSERT_EQ(found.size(), 15u);
    std::string path = "0.7";
    for (int depth = 2; depth <= 15; ++depth) path += ".0";
    EXPECT_EQ(found.back(), path + " level 15");
}

TEST_F(Find, DepthOptionSetsTheLevelsSearched) {
    memory::Node* parent = window;
    for (int depth = 1; depth <= 30; ++depth) {
        memory::Node& child = memory::newElement("AXGroup", "level " + std::to_string(depth));
        parent->addChild(child);
        parent = &child;
    }
    parent->addChild(memory::newElement("AXButton", "deep button"));
    EXPECT_EQ(matches({"--label", "deep"}), Lines{});
    const Lines found = matches({"--label", "deep", "--depth", "40"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].substr(found[0].size() - 11), "deep button");
    EXPECT_EQ(matches({"--depth", "1", "--role", "group"}), (Lines{"0.1 ", "0.7 level 1"}));
    // The button sits at depth 31.
    EXPECT_EQ(matches({"--depth", "30", "--label", "deep"}), Lines{});
    EXPECT_EQ(matches({"--depth", "+31", "--label", "deep"}).size(), 1u);
}

TEST_F(Find, DepthAndWaitOutsideTheirRangeAreErrors) {
    const std::string depthError = R"({"error":"--depth takes a whole number from 1 to 200"})";
    const std::string waitError = R"({"error":"--wait takes a number of milliseconds from 0 to 60000"})";
    const std::vector<std::pair<Arguments, std::string>> cases{
        {{"--depth", "0"}, depthError},       {{"--depth", "201"}, depthError},
        {{"--depth", "abc"}, depthError},     {{"--depth", "1.5"}, depthError},
        {{"--role", "x", "--depth"}, depthError},
        {{"--wait", "-1"}, waitError},        {{"--wait", "60001"}, waitError},
        {{"--wait", "1e3"}, waitError},       {{"--label", "ok", "--wait"}, waitError},
    };
    for (const auto& [options, error] : cases) {
        Arguments operands{std::to_string(pid)};
        operands.insert(operands.end(), options.begin(), options.end());
        const CommandResult result = run(operands);
        EXPECT_EQ(result.document, error) << options.back();
        EXPECT_EQ(result.status, 1);
    }
    // The largest values are accepted; an option value is still taken verbatim.
    EXPECT_EQ(matches({"--depth", "200", "--wait", "60000", "--label", "ok"}), (Lines{"0.1.0 OK"}));
    EXPECT_EQ(matches({"--label", "--depth", "--wait", "0"}), Lines{});
}

TEST_F(Find, WaitRepeatsTheSearchUntilSomethingMatches) {
    // The button appears once a second has passed on the desktop's clock.
    const std::uint64_t start = memory::desktop().clockMicroseconds;
    memory::Node& late = memory::newElement("AXButton", "Tardy");
    memory::desktop().afterPause = [&] {
        if (memory::desktop().clockMicroseconds >= start + 1000000 && window->find("AXChildren") &&
            std::get<std::vector<memory::Node*>>(*window->find("AXChildren")).size() == 7)
            window->addChild(late);
    };
    EXPECT_EQ(matches({"--label", "tardy", "--wait", "5000"}), (Lines{"0.7 Tardy"}));
    const std::uint64_t waited = memory::desktop().clockMicroseconds - start;
    EXPECT_GE(waited, 1000000u);
    EXPECT_LE(waited, 1100000u);

    // Present already: one round, no pause.
    const std::size_t recordsBefore = memory::desktop().records.size();
    EXPECT_EQ(matches({"--label", "tardy", "--wait", "60000"}), (Lines{"0.7 Tardy"}));
    EXPECT_EQ(memory::desktop().records.size(), recordsBefore);

    // Never there: the empty array once the time is over, not before.
    const std::uint64_t before = memory::desktop().clockMicroseconds;
    EXPECT_EQ(matches({"--label", "never", "--wait", "250"}), Lines{});
    EXPECT_EQ(memory::desktop().clockMicroseconds - before, 250000u);
}

TEST_F(Find, WaitAlsoWaitsForTheWindow) {
    memory::resetDesktop();
    memory::Node& application = memory::addApplication(pid, "Slow");
    memory::Node& dialog = memory::newElement("AXWindow", "Dialog");
    dialog.addChild(memory::newElement("AXButton", "OK"));
    memory::desktop().afterPause = [&] {
        if (memory::desktop().clockMicroseconds >= 300000 && !application.find("AXWindows"))
            application.addWindow(dialog);
    };
    EXPECT_EQ(matches({"--label", "ok", "--wait", "1000"}), (Lines{"0.0 OK"}));
    memory::desktop().afterPause = nullptr;
    EXPECT_EQ(run({"4242", "--label", "ok", "--wait", "200"}).document, R"({"error":"Window not found"})");
}

TEST_F(Find, AnElementOnThePathToItIsNotSearchedAgain) {
    // Three children that all lead back to the window: walked again, each
    // level would multiply the search by three down to depth 15.
    memory::resetDesktop();
    memory::Node& root = memory::newElement("AXGroup", "loop");
    memory::addApplication(pid, "Loop").addWindow(root);
    memory::Node& inner = memory::newElement("AXGroup", "inner");
    root.addChild(root).addChild(inner).addChild(root);
    inner.addChild(root).addChild(inner);
    EXPECT_EQ(matches({"--role", "group"}), (Lines{"0 loop", "0.1 inner"}));
}

TEST_F(Find, AnApplicationTooSlowToFinishIsAnErrorNotAPartialAnswer) {
    // An application slow to answer each read: the walk gives up in time.
    for (int i = 0; i < 100; ++i) window->addChild(memory::newElement("AXButton"));
    memory::desktop().microsecondsPerRead = 300000;
    const CommandResult result = run({std::to_string(pid), "--role", "nothing"});
    EXPECT_EQ(result.document, "{\"error\":\"Application not responding (pid 77)\"}");
    EXPECT_EQ(result.status, 1);
    EXPECT_LT(memory::desktop().clockMicroseconds, 30000000u);
    // A call that timed out left parts unread: no partial answer either.
    memory::resetDesktop();
    memory::addApplication(pid, "Slow").addWindow(memory::newElement("AXWindow", "w"));
    memory::desktop().stoppedAnswering = true;
    EXPECT_EQ(run({std::to_string(pid), "--role", "window"}).document,
              "{\"error\":\"Application not responding (pid 77)\"}");
}

TEST_F(Find, HoldsOnlyTheChildListsOnItsPath) {
    for (int i = 0; i < 100; ++i) {
        memory::Node& child = memory::newElement("AXGroup");
        window->addChild(child);
        for (int j = 0; j < 10; ++j) child.addChild(memory::newElement("AXButton", "b"));
    }
    memory::resetPeakHandles();
    const long before = memory::liveHandles();
    EXPECT_EQ(matches({"--role", "button"}).size(), 1000u + 4u);
    EXPECT_LE(memory::peakHandles() - before, 1 + 107 + 10 + 2);
}

}  // namespace
