#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "accessibility/applications.h"
#include "platform/memory/memory_desktop.h"
#include "tree/snapshot_command.h"
#include "tree/snapshot_outline.h"

namespace {

using Json = nlohmann::json;

constexpr std::int32_t pid = 42;

class Snapshot : public testing::Test {
protected:
    void SetUp() override {
        memory::resetDesktop();
        handlesBefore = memory::liveHandles();
        application = &memory::addApplication(pid, "App");
        window = &memory::newElement("AXWindow", "Editor");
        application->addWindow(*window);
    }

    // Every handle the command took is released when it ends.
    void TearDown() override { EXPECT_EQ(memory::liveHandles(), handlesBefore); }

    static CommandResult run(const Arguments& operands) {
        Arguments arguments{"tavik-ax", "snapshot"};
        arguments.insert(arguments.end(), operands.begin(), operands.end());
        return runSnapshot(arguments);
    }

    // The outline of a successful run; its element count checked against its lines.
    static std::string outline(const Arguments& operands = {std::to_string(pid)}) {
        const CommandResult result = run(operands);
        EXPECT_EQ(result.status, 0) << result.document;
        const Json document = Json::parse(result.document);
        EXPECT_EQ(document.size(), 2u) << result.document;
        const std::string text = document.value("snapshot", "");
        // Every line but a closing one after a cut is an element's.
        const bool cut = text.find("\n... ") != std::string::npos;
        const auto lines = std::count(text.begin(), text.end(), '\n') + (cut ? 0 : 1);
        EXPECT_EQ(document.value("elements", -1), lines) << text;
        return text;
    }

    static memory::Node& button(const std::string& title) {
        return memory::newElement("AXButton", title).setActions({"AXPress"});
    }

    long handlesBefore = 0;
    memory::Node* application = nullptr;
    memory::Node* window = nullptr;
};

// prefix followed by the number (built by appending: GCC 12 warns wrongly
// about a literal added to a temporary string).
std::string numbered(const char* prefix, std::int64_t number) {
    std::string text(prefix);
    text += std::to_string(number);
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// One element under the window: its line, or nothing when it is left out.
TEST_F(Snapshot, LineOfOneElement) {
    struct Case {
        const char* name;
        std::function<void(memory::Node&)> script;
        std::string line;  // empty: no line
    };
    const Case cases[] = {
        {"button", [](memory::Node& n) { n.set("AXTitle", "Run").setActions({"AXPress"}); },
         R"(  - AXButton "Run" [0.0])"},
        {"label when no title", [](memory::Node& n) { n.set("AXLabel", "Name").set("AXDescription", "d"); },
         R"(  - AXButton "Name" [0.0])"},
        {"title before label", [](memory::Node& n) { n.set("AXTitle", "T").set("AXLabel", "L"); },
         R"(  - AXButton "T" [0.0])"},
        {"description when nothing else", [](memory::Node& n) { n.set("AXDescription", "Closes"); },
         R"(  - AXButton "Closes" [0.0])"},
        {"value and focus",
         [](memory::Node& n) { n.set("AXRole", "AXTextField").set("AXLabel", "Name").set("AXValue", "Ada").set("AXFocused", true); },
         R"(  - AXTextField "Name" = "Ada" focused [0.0])"},
        {"value that is the name, said once",
         [](memory::Node& n) { n.set("AXRole", "AXStaticText").set("AXTitle", "Count: 0").set("AXValue", "Count: 0"); },
         R"(  - AXStaticText "Count: 0" [0.0])"},
        {"value alone", [](memory::Node& n) { n.set("AXRole", "AXStaticText").set("AXValue", "Hello"); },
         R"(  - AXStaticText = "Hello" [0.0])"},
        {"value cut at 200 characters",
         [](memory::Node& n) { n.set("AXValue", std::string(199, 'a') + "\xc3\xa9" + std::string(50, 'b')); },
         "  - AXButton = \"" + std::string(199, 'a') + "\xc3\xa9\" [0.0]"},
        {"disabled", [](memory::Node& n) { n.set("AXTitle", "Save").set("AXEnabled", false); },
         R"(  - AXButton "Save" disabled [0.0])"},
        {"check box checked", [](memory::Node& n) { n.set("AXRole", "AXCheckBox").set("AXTitle", "Wrap").set("AXValue", std::int64_t{1}); },
         R"(  - AXCheckBox "Wrap" checked [0.0])"},
        {"check box mixed", [](memory::Node& n) { n.set("AXRole", "AXCheckBox").set("AXTitle", "All").set("AXValue", std::int64_t{2}); },
         R"(  - AXCheckBox "All" mixed [0.0])"},
        {"check box unchecked", [](memory::Node& n) { n.set("AXRole", "AXCheckBox").set("AXTitle", "Wrap").set("AXValue", std::int64_t{0}); },
         R"(  - AXCheckBox "Wrap" [0.0])"},
        {"pressed toggle button", [](memory::Node& n) { n.set("AXTitle", "Bold").set("AXValue", std::int64_t{1}); },
         R"(  - AXButton "Bold" checked [0.0])"},
        {"number of a slider is its value, no state",
         [](memory::Node& n) { n.set("AXRole", "AXSlider").set("AXTitle", "Volume").set("AXValue", std::int64_t{1}); },
         R"(  - AXSlider "Volume" = 1 [0.0])"},
        {"number that is the name, said once",
         [](memory::Node& n) { n.set("AXRole", "AXSlider").set("AXTitle", "40").set("AXValue", 40.0); },
         R"(  - AXSlider "40" [0.0])"},
        {"unnamed slider with a fraction", [](memory::Node& n) { n.set("AXRole", "AXSlider").set("AXValue", 0.25); },
         R"(  - AXSlider = 0.25 [0.0])"},
        {"whole real number", [](memory::Node& n) { n.set("AXRole", "AXProgressIndicator").set("AXValue", -40.0); },
         R"(  - AXProgressIndicator = -40 [0.0])"},
        {"menu item with a mark", [](memory::Node& n) { n.set("AXRole", "AXMenuItem").set("AXTitle", "Ruler").set("AXMenuItemMarkChar", "\xe2\x9c\x93"); },
         R"(  - AXMenuItem "Ruler" checked [0.0])"},
        {"selected and collapsed",
         [](memory::Node& n) { n.set("AXRole", "AXRow").set("AXSelected", true).set("AXExpanded", false); },
         R"(  - AXRow selected collapsed [0.0])"},
        {"expanded", [](memory::Node& n) { n.set("AXRole", "AXDisclosureTriangle").set("AXExpanded", true); },
         R"(  - AXDisclosureTriangle expanded [0.0])"},
        {"every state in order",
         [](memory::Node& n) {
             n.set("AXRole", "AXCheckBox").set("AXEnabled", false).set("AXFocused", true).set("AXValue", std::int64_t{1})
                 .set("AXSelected", true).set("AXExpanded", true);
         },
         R"(  - AXCheckBox disabled focused checked selected expanded [0.0])"},
        {"no role", [](memory::Node& n) { n.attributes.clear(); n.set("AXTitle", "x"); }, R"(  - unknown "x" [0.0])"},
        {"texts escaped",
         [](memory::Node& n) { n.set("AXTitle", "say \"hi\"\\\nnow\t\x01/\xe2\x80\xa8"); },
         R"(  - AXButton "say \"hi\"\\\nnow\t\u0001/\u2028" [0.0])"},
        {"empty, editable text field",
         [](memory::Node& n) { n.set("AXRole", "AXTextField").set("AXValue", ""); n.settable.insert("AXValue"); },
         R"(  - AXTextField [0.0])"},
        {"nameless group", [](memory::Node& n) { n.set("AXRole", "AXGroup"); }, ""},
        {"nameless and only disabled", [](memory::Node& n) { n.set("AXRole", "AXGroup").set("AXEnabled", false); }, ""},
        {"empty texts and no actions",
         [](memory::Node& n) { n.set("AXTitle", "").set("AXValue", "").setActions({}); }, ""},
        {"hidden", [](memory::Node& n) { n.set("AXTitle", "Run").setActions({"AXPress"}).set("AXHidden", true); }, ""},
        {"shown when not hidden", [](memory::Node& n) { n.set("AXTitle", "Run").set("AXHidden", false); },
         R"(  - AXButton "Run" [0.0])"},
    };
    for (const Case& c : cases) {
        memory::Node& element = memory::newElement("AXButton");
        c.script(element);
        window->attributes.clear();
        window->set("AXRole", "AXWindow").set("AXTitle", "Editor").addChild(element);
        std::string expected = R"(- AXWindow "Editor" [0])";
        if (!c.line.empty()) expected += "\n" + c.line;
        EXPECT_EQ(outline(), expected) << c.name;
    }
}

// Wrappers with nothing to tell go; their children move up a level and
// keep the paths they have in the tree.
TEST_F(Snapshot, LeftOutWrappersLetTheirChildrenMoveUp) {
    memory::Node& wrapper = memory::newElement("AXGroup");
    memory::Node& inner = memory::newElement("AXGroup");
    memory::Node& panel = memory::newElement("AXGroup", "Panel");
    memory::Node& hidden = memory::newElement("AXGroup", "Drawer");
    hidden.set("AXHidden", true).addChild(button("Inside drawer"));
    window->addChild(wrapper).addChild(panel);
    wrapper.addChild(button("A")).addChild(inner);
    inner.addChild(memory::newElement("AXGroup")).addChild(button("B"));
    panel.addChild(memory::newElement("AXGroup").addChild(button("C"))).addChild(hidden);
    EXPECT_EQ(outline(), "- AXWindow \"Editor\" [0]\n"
                         "  - AXButton \"A\" [0.0.0]\n"
                         "  - AXButton \"B\" [0.0.1.1]\n"
                         "  - AXGroup \"Panel\" [0.1]\n"
                         "    - AXButton \"C\" [0.1.0.0]\n"
                         "    - AXButton \"Inside drawer\" [0.1.1.0]");

    // Everything, hidden or empty, with geometry where it has some.
    wrapper.setPosition(10.9, -3.2).setSize(80, 24);
    hidden.setPosition(5, 5);
    EXPECT_EQ(outline({std::to_string(pid), "--all"}), "- AXWindow \"Editor\" [0]\n"
                                                        "  - AXGroup @10,-3 80x24 [0.0]\n"
                                                        "    - AXButton \"A\" [0.0.0]\n"
                                                        "    - AXGroup [0.0.1]\n"
                                                        "      - AXGroup [0.0.1.0]\n"
                                                        "      - AXButton \"B\" [0.0.1.1]\n"
                                                        "  - AXGroup \"Panel\" [0.1]\n"
                                                        "    - AXGroup [0.1.0]\n"
                                                        "      - AXButton \"C\" [0.1.0.0]\n"
                                                        "    - AXGroup \"Drawer\" hidden @5,5 [0.1.1]\n"
                                                        "      - AXButton \"Inside drawer\" [0.1.1.0]");
}

// A text that only repeats the name of the element it is shown under goes;
// one that tells more, or sits under another name, stays.
TEST_F(Snapshot, TextRepeatingItsParentsNameIsSaidOnce) {
    memory::Node& row = memory::newElement("AXRow", "Builder");
    memory::Node& wrapper = memory::newElement("AXGroup");
    row.addChild(wrapper);
    wrapper.addChild(memory::newElement("AXStaticText", "Builder"))
        .addChild(memory::newElement("AXStaticText", "Builder").setActions({"AXPress"}))
        .addChild(memory::newElement("AXStaticText", "Builder").set("AXSelected", true))
        .addChild(memory::newElement("AXStaticText", "Other"));
    memory::Node& field = memory::newElement("AXTextField", "Builder");
    field.settable.insert("AXValue");
    row.addChild(field);
    window->addChild(row);
    EXPECT_EQ(outline(), "- AXWindow \"Editor\" [0]\n"
                         "  - AXRow \"Builder\" [0.0]\n"
                         "    - AXStaticText \"Builder\" [0.0.0.1]\n"
                         "    - AXStaticText \"Builder\" selected [0.0.0.2]\n"
                         "    - AXStaticText \"Other\" [0.0.0.3]\n"
                         "    - AXTextField \"Builder\" [0.0.1]");
}

// A window without a title still has its line, at the top.
TEST_F(Snapshot, TheWindowAlwaysHasALine) {
    window->attributes.clear();
    window->set("AXRole", "AXWindow").set("AXHidden", true).addChild(button("Go"));
    EXPECT_EQ(outline(), "- AXWindow [0]\n  - AXButton \"Go\" [0.0]");
}

// A chain of named groups, one per level.
TEST_F(Snapshot, DepthOption) {
    memory::Node* parent = window;
    for (int level = 1; level <= 60; ++level) {
        memory::Node& child = memory::newElement("AXGroup", numbered("g", level));
        parent->addChild(child);
        parent = &child;
    }
    struct Case {
        Arguments options;
        int lines;
    };
    const Case cases[] = {{{}, 51}, {{"--depth", "1"}, 2}, {{"--depth", "+7"}, 8}, {{"--depth", "200"}, 61}};
    for (const Case& c : cases) {
        Arguments operands{std::to_string(pid)};
        operands.insert(operands.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(linesOf(outline(operands)).size(), static_cast<std::size_t>(c.lines)) << testing::PrintToString(c.options);
    }
    // The deepest line is indented by its level.
    EXPECT_EQ(linesOf(outline()).back().rfind(std::string(100, ' ') + "- AXGroup \"g50\" [0.0", 0), 0u);
}

TEST_F(Snapshot, OperandsAndErrors) {
    memory::Node& second = memory::newElement("AXWindow", "Second");
    application->addWindow(second);
    const std::string usage = R"({"error":"Usage: tavik-ax snapshot <pid> [--window N] [--depth N] [--all]"})";
    const std::string badDepth = R"({"error":"--depth takes a whole number from 1 to 200"})";
    const std::string notFound = R"({"error":"Window not found"})";
    struct Case {
        Arguments operands;
        std::string expected;  // the first line, or the whole document
        int status;
    };
    const Case cases[] = {
        {{"42"}, R"(- AXWindow "Editor" [0])", 0},
        {{"42", "--window", "1"}, R"(- AXWindow "Second" [0])", 0},
        {{"42", "--window", "x"}, R"(- AXWindow "Editor" [0])", 0},
        {{"42", "extra", "--all", "--window", "1"}, R"(- AXWindow "Second" [0])", 0},
        {{"42", "--window"}, R"(- AXWindow "Editor" [0])", 0},
        {{"42", "--window", "2"}, notFound, 1},
        {{"42", "--window", "-1"}, notFound, 1},
        {{"43"}, notFound, 1},
        {{"42", "--depth", "0"}, badDepth, 1},
        {{"42", "--depth", "201"}, badDepth, 1},
        {{"42", "--depth", "abc"}, badDepth, 1},
        {{"42", "--depth"}, badDepth, 1},
        {{}, usage, 1},
        {{"abc"}, usage, 1},
        {{"2147483648"}, usage, 1},
    };
    for (const Case& c : cases) {
        const CommandResult result = run(c.operands);
        const std::string name = testing::PrintToString(c.operands);
        EXPECT_EQ(result.status, c.status) << name;
        if (c.status == 0) EXPECT_EQ(linesOf(Json::parse(result.document)["snapshot"].get<std::string>())[0], c.expected) << name;
        else EXPECT_EQ(result.document, c.expected) << name;
    }
    memory::desktop().stoppedAnswering = true;
    EXPECT_EQ(run({"42"}).document, R"x({"error":"Application not responding (pid 42)"})x");
}

// A slow application: the walk's time limit ends the run in order.
TEST_F(Snapshot, TimeLimitAnswersNotResponding) {
    for (int i = 0; i < 50; ++i) window->addChild(button(numbered("b", i)));
    memory::desktop().microsecondsPerRead = 1000000;
    const CommandResult result = run({"42"});
    EXPECT_EQ(result.document, R"x({"error":"Application not responding (pid 42)"})x");
    EXPECT_EQ(result.status, 1);
}

// An outline over the limit ends at a whole line, then a line with the
// number of elements left out, all within the limit.
TEST_F(Snapshot, CutAtAWholeLineWithTheCountOfWhatIsLeftOut) {
    const std::string name(40, 'n');
    for (int i = 0; i < 6000; ++i) window->addChild(button(numbered(name.c_str(), i)));
    const std::string text = outline();
    EXPECT_LE(text.size(), kOutlineCharacterLimit);
    EXPECT_GT(text.size(), kOutlineCharacterLimit - 200);
    std::vector<std::string> lines = linesOf(text);
    std::smatch counted;
    const std::string last = lines.back();
    ASSERT_TRUE(std::regex_match(last, counted,
                                 std::regex(R"(\.\.\. (\d+) more elements left out \(the outline stops at 200000 characters\))")))
        << last;
    lines.pop_back();
    EXPECT_EQ(std::stoul(counted[1]) + lines.size(), 6001u);
    const std::regex whole(R"x(  - AXButton "n{40}(\d+)" \[0\.(\d+)\])x");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(lines[i], parts, whole)) << lines[i];
        EXPECT_EQ(parts[1].str(), parts[2].str());
        EXPECT_EQ(std::stoul(parts[1]), i - 1);
    }
}

// The closing line takes whole lines off when it would not fit after them.
TEST_F(Snapshot, ClosingLineMakesRoomForItself) {
    for (int i = 0; i < 20; ++i) window->addChild(button(numbered("b", i)));
    const std::optional<platform::Element> root = getWindowElement(pid, 0);
    ASSERT_TRUE(root);
    for (std::size_t limit : {120u, 150u, 200u, 333u}) {
        OutlineOptions options;
        options.characterLimit = limit;
        const Outline cut = writeOutline(*root, options);
        EXPECT_TRUE(cut.complete);
        EXPECT_LE(cut.text.size(), limit) << cut.text;
        EXPECT_EQ(cut.elements + cut.leftOut, 21) << limit;
        const std::vector<std::string> lines = linesOf(cut.text);
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(cut.elements) + 1) << cut.text;
        EXPECT_EQ(lines.back(), "... " + std::to_string(cut.leftOut) +
                                    " more elements left out (the outline stops at " + std::to_string(limit) +
                                    " characters)");
    }
}

// A child list that leads back to an ancestor is not walked round again.
TEST_F(Snapshot, ChildListLeadingBackIsWalkedOnce) {
    memory::Node& group = memory::newElement("AXGroup", "Loop");
    window->addChild(group);
    group.addChild(*window).addChild(button("Go"));
    EXPECT_EQ(outline(), "- AXWindow \"Editor\" [0]\n  - AXGroup \"Loop\" [0.0]\n    - AXButton \"Go\" [0.0.1]");
}

}  // namespace
