#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "accessibility/applications.h"
#include "platform/memory/memory_desktop.h"
#include "tree/read_tree_command.h"
#include "tree/tree_dump.h"

namespace {

using Json = nlohmann::json;

constexpr std::int32_t pid = 42;
const std::string tooDeep = R"x({"error":"Tree too deep (more than 400 levels)"})x";
const std::string usage = R"({"error":"Usage: tavik-ax read-tree <pid> [maxDepth] [windowIndex]"})";

class ReadTree : public testing::Test {
protected:
    void SetUp() override {
        memory::resetDesktop();
        handlesBefore = memory::liveHandles();
        application = &memory::addApplication(pid, "App");
        window = &addWindow("first");
    }

    // Every handle the command took is released when it ends.
    void TearDown() override { EXPECT_EQ(memory::liveHandles(), handlesBefore); }

    memory::Node& addWindow(const std::string& title) {
        memory::Node& added = memory::newElement("AXWindow", title);
        application->addWindow(added);
        return added;
    }

    static CommandResult run(const Arguments& operands) {
        Arguments arguments{"tavik-ax", "read-tree"};
        arguments.insert(arguments.end(), operands.begin(), operands.end());
        return runReadTree(arguments);
    }

    // The record of the window alone, everything but its path compared.
    static Json rootRecord() {
        const CommandResult result = run({std::to_string(pid), "0"});
        EXPECT_EQ(result.status, 0);
        Json record = Json::parse(result.document);
        EXPECT_EQ(record["path"], "0");
        record.erase("path");
        return record;
    }

    long handlesBefore = 0;
    memory::Node* application = nullptr;
    memory::Node* window = nullptr;
};

// The number of nested levels of records below and including record.
int levels(const Json& record) {
    int deepest = 0;
    if (record.contains("children"))
        for (const Json& child : record["children"]) deepest = std::max(deepest, levels(child));
    return deepest + 1;
}

TEST_F(ReadTree, DepthArgument) {
    memory::Node* parent = window;
    for (int depth = 1; depth <= 8; ++depth) {
        memory::Node& child = memory::newElement("AXGroup");
        parent->addChild(child);
        parent = &child;
    }
    struct Case {
        std::vector<std::string> depthArgument;
        int expectedLevels;
    };
    const Case cases[] = {
        {{}, 6},          {{"0"}, 1},   {{"+3"}, 4}, {{"3"}, 4},    {{"abc"}, 6},
        {{""}, 6},        {{" 3"}, 6},  {{"3.5"}, 6}, {{"-0"}, 1},  {{"9223372036854775807"}, 9},
        {{"9223372036854775808"}, 6},
    };
    for (const Case& c : cases) {
        Arguments operands{std::to_string(pid)};
        operands.insert(operands.end(), c.depthArgument.begin(), c.depthArgument.end());
        const CommandResult result = run(operands);
        const std::string name = c.depthArgument.empty() ? "(absent)" : c.depthArgument[0];
        ASSERT_EQ(result.status, 0) << name;
        EXPECT_EQ(levels(Json::parse(result.document)), c.expectedLevels) << name;
    }
    for (const std::string negative : {"-1", "-9223372036854775808"}) {
        const CommandResult result = run({std::to_string(pid), negative});
        EXPECT_EQ(result.document, R"({"error":"Failed to read tree"})") << negative;
        EXPECT_EQ(result.status, 0) << negative;
    }
}

TEST_F(ReadTree, OperandsAndErrors) {
    addWindow("second");
    struct Case {
        Arguments operands;
        std::string expected;  // the window title, or the whole document
        int status;
    };
    const std::string notFound = R"({"error":"Window not found"})";
    const Case cases[] = {
        {{"42"}, "first", 0},
        {{"42", "5", "1"}, "second", 0},
        {{"42", "5", "+1"}, "second", 0},
        {{"42", "5", "x"}, "first", 0},
        {{"42", "5", "1", "0", "extra"}, "second", 0},
        {{"42", "5", "-1"}, notFound, 1},
        {{"42", "5", "2"}, notFound, 1},
        {{"43"}, notFound, 1},
        {{}, usage, 1},
        {{"abc"}, usage, 1},
        {{" 42"}, usage, 1},
        {{"2147483648"}, usage, 1},
    };
    for (const Case& c : cases) {
        const CommandResult result = run(c.operands);
        const std::string name = c.operands.empty() ? "(none)" : c.operands.back();
        EXPECT_EQ(result.status, c.status) << name;
        if (c.status == 0) EXPECT_EQ(Json::parse(result.document).value("title", ""), c.expected) << name;
        else EXPECT_EQ(result.document, c.expected) << name;
    }
    // An application without a readable window list.
    memory::addApplication(44, "Broken").set("AXWindows", memory::Failure{});
    EXPECT_EQ(run({"44"}).document, notFound);
}

TEST_F(ReadTree, KeyPresence) {
    struct Case {
        const char* name;
        std::function<void(memory::Node&)> script;
        Json expected;  // the record without its path
    };
    const Case cases[] = {
        {"no role", [](memory::Node& n) { n.attributes.clear(); }, {{"role", "unknown"}}},
        {"role of another kind", [](memory::Node& n) { n.set("AXRole", std::int64_t{3}); },
         {{"role", "unknown"}, {"title", "first"}}},
        {"empty title", [](memory::Node& n) { n.set("AXTitle", ""); }, {{"role", "AXWindow"}}},
        {"blank title stays", [](memory::Node& n) { n.set("AXTitle", "  "); },
         {{"role", "AXWindow"}, {"title", "  "}}},
        {"failing title", [](memory::Node& n) { n.set("AXTitle", memory::Failure{}); }, {{"role", "AXWindow"}}},
        {"all texts",
         [](memory::Node& n) {
             n.set("AXValue", "v").set("AXRoleDescription", "window").set("AXDescription", "d").set("AXLabel", "l");
         },
         {{"role", "AXWindow"}, {"title", "first"}, {"value", "v"}, {"roleDescription", "window"},
          {"description", "d"}, {"label", "l"}}},
        {"empty texts",
         [](memory::Node& n) {
             n.set("AXValue", "").set("AXRoleDescription", "").set("AXDescription", "").set("AXLabel", "");
         },
         {{"role", "AXWindow"}, {"title", "first"}}},
        {"numeric value", [](memory::Node& n) { n.set("AXValue", std::int64_t{1}); },
         {{"role", "AXWindow"}, {"title", "first"}}},
        {"enabled false", [](memory::Node& n) { n.set("AXEnabled", false); },
         {{"role", "AXWindow"}, {"title", "first"}, {"enabled", false}}},
        {"enabled true", [](memory::Node& n) { n.set("AXEnabled", true); },
         {{"role", "AXWindow"}, {"title", "first"}, {"enabled", true}}},
        {"enabled text", [](memory::Node& n) { n.set("AXEnabled", "yes"); },
         {{"role", "AXWindow"}, {"title", "first"}}},
        {"focused false", [](memory::Node& n) { n.set("AXFocused", false); },
         {{"role", "AXWindow"}, {"title", "first"}}},
        {"focused true", [](memory::Node& n) { n.set("AXFocused", true); },
         {{"role", "AXWindow"}, {"title", "first"}, {"focused", true}}},
        {"empty actions", [](memory::Node& n) { n.setActions({}); }, {{"role", "AXWindow"}, {"title", "first"}}},
        {"actions in order", [](memory::Node& n) { n.setActions({"AXRaise", "AXPress", "AXCancel"}); },
         {{"role", "AXWindow"}, {"title", "first"}, {"actions", {"AXRaise", "AXPress", "AXCancel"}}}},
        {"an action that is not a text", [](memory::Node& n) { n.actions = {{std::string("AXPress"), 1.0}}; },
         {{"role", "AXWindow"}, {"title", "first"}}},
    };
    for (const Case& c : cases) {
        memory::Node saved = *window;
        c.script(*window);
        EXPECT_EQ(rootRecord(), c.expected) << c.name;
        *window = saved;
    }
}

TEST_F(ReadTree, GeometryPairs) {
    const double nan = std::nan("");
    const double infinity = std::numeric_limits<double>::infinity();
    const double twoTo63 = 9223372036854775808.0;
    struct Case {
        const char* name;
        double x, y;
        Json expected;  // "x" and "y" when they are printed
    };
    const Case cases[] = {
        {"truncated toward zero", 10.7, -3.2, {{"x", 10}, {"y", -3}}},
        {"negative fractions", -10.9, -0.5, {{"x", -10}, {"y", 0}}},
        {"NaN x", nan, 5, Json::object()},
        {"infinite y", 1, infinity, Json::object()},
        {"minus infinity", -infinity, 1, Json::object()},
        {"2^63", twoTo63, 0, Json::object()},
        {"-2^63 fits", -twoTo63, 0, {{"x", std::numeric_limits<std::int64_t>::min()}, {"y", 0}}},
        {"just below 2^63", 9223372036854774784.0, 1.5, {{"x", 9223372036854774784LL}, {"y", 1}}},
        {"beyond -2^63", -9223372036854777856.0, 0, Json::object()},
    };
    for (const Case& c : cases) {
        window->setPosition(c.x, c.y).setSize(c.x, c.y);
        const Json record = rootRecord();
        Json position = Json::object();
        Json size = Json::object();
        for (const auto& [key, item] : record.items()) {
            if (key == "x" || key == "y") position[key] = item;
            if (key == "width" || key == "height") size[key == "width" ? "x" : "y"] = item;
        }
        EXPECT_EQ(position, c.expected) << c.name;
        EXPECT_EQ(size, c.expected) << c.name;
    }
    // A sound size still appears beside a position that cannot be shown.
    window->setPosition(nan, 0).setSize(30.9, 20.1);
    const Json record = rootRecord();
    EXPECT_FALSE(record.contains("x") || record.contains("y"));
    EXPECT_EQ(record["width"], 30);
    EXPECT_EQ(record["height"], 20);
    // A geometry attribute of another kind reads as zero.
    window->set("AXPosition", "here").set("AXSize", memory::Failure{});
    EXPECT_EQ(rootRecord(), (Json{{"role", "AXWindow"}, {"title", "first"}, {"x", 0}, {"y", 0}}));
}

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

TEST_F(ReadTree, ValueCutToTwoHundredCharacters) {
    const std::string a199 = repeat("a", 199);
    const std::string family = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";  // woman ZWJ girl
    const std::string eAcute = "e\xCC\x81";
    const std::string cases[][2] = {
        {repeat("x", 250), repeat("x", 200)},
        {repeat("x", 200), repeat("x", 200)},
        {a199 + family + family, a199 + family},
        {a199 + eAcute + "b", a199 + eAcute},
        {repeat(" ", 250), repeat(" ", 200)},
    };
    for (const auto& [value, expected] : cases) {
        window->set("AXValue", value);
        EXPECT_EQ(rootRecord()["value"], expected);
    }
}

TEST_F(ReadTree, NamesCutToTenThousandCharacters) {
    // An application may hand out a name of megabytes.
    const std::string eAcute = "e\xCC\x81";
    const std::string long_ = repeat(eAcute, 12000);
    const std::string kept = repeat(eAcute, 10000);
    for (const char* attribute : {"AXTitle", "AXDescription", "AXLabel"}) {
        window->set(attribute, long_);
    }
    const Json record = rootRecord();
    EXPECT_EQ(record["title"], kept);
    EXPECT_EQ(record["description"], kept);
    EXPECT_EQ(record["label"], kept);
    // Exactly at the limit, nothing is cut; short names are untouched.
    window->set("AXTitle", repeat("x", 10000));
    EXPECT_EQ(rootRecord()["title"], repeat("x", 10000));
}

TEST_F(ReadTree, NestedRecordsInChildOrder) {
    memory::Node& first = memory::newElement("AXButton", "one");
    memory::Node& second = memory::newElement("AXGroup");
    window->addChild(first).addChild(second);
    for (const char* title : {"a", "b", "c"}) second.addChild(memory::newElement("AXCheckBox", title));
    first.set("AXChildren", memory::Failure{});  // a failed query is no children
    second.setActions({"AXPress"});

    const CommandResult result = run({"42"});
    ASSERT_EQ(result.status, 0);
    const Json expected = {
        {"role", "AXWindow"}, {"path", "0"}, {"title", "first"},
        {"children",
         {{{"role", "AXButton"}, {"path", "0.0"}, {"title", "one"}},
          {{"role", "AXGroup"},
           {"path", "0.1"},
           {"actions", {"AXPress"}},
           {"children",
            {{{"role", "AXCheckBox"}, {"path", "0.1.0"}, {"title", "a"}},
             {{"role", "AXCheckBox"}, {"path", "0.1.1"}, {"title", "b"}},
             {{"role", "AXCheckBox"}, {"path", "0.1.2"}, {"title", "c"}}}}}}}};
    EXPECT_EQ(Json::parse(result.document), expected);
    // Text with characters the writer escapes goes through unchanged.
    first.set("AXTitle", "a/b \"q\" \n\xF0\x9F\x91\x8D");
    EXPECT_EQ(Json::parse(run({"42"}).document)["children"][0]["title"], "a/b \"q\" \n\xF0\x9F\x91\x8D");
}

TEST_F(ReadTree, ChildListLeadingBackIsDumpedToTheDepthLimit) {
    memory::Node& child = memory::newElement("AXGroup");
    window->addChild(child);
    child.addChild(*window);
    Json record = Json::parse(run({"42", "4"}).document);
    std::vector<std::string> paths;
    for (const Json* at = &record;; at = &(*at)["children"][0]) {
        paths.push_back((*at)["path"]);
        if (!at->contains("children")) break;
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"0", "0.0", "0.0.0", "0.0.0.0", "0.0.0.0.0"}));
}

TEST_F(ReadTree, EndlessTreeEndsWithAnError) {
    window->addChild(*window);
    const CommandResult result = run({"42", "9223372036854775807"});
    EXPECT_EQ(result.document, tooDeep);
    EXPECT_EQ(result.status, 1);

    // Two children leading back, within the nesting limit: 2^41 - 1
    // records, which the element limit ends.
    window->addChild(*window);
    const auto root = getWindowElement(pid, 0);
    ASSERT_TRUE(root);
    const TreeDump dump = dumpElement(*root, 0, 40, "0", DumpLimits{2000, 5000});
    EXPECT_EQ(dump.status, DumpStatus::tooLarge);
    EXPECT_TRUE(dump.json.empty());
}

TEST_F(ReadTree, DeepTreeWithinTheNestingLimitPrintsWhole) {
    // 400 levels (depths 0 to 399) print; one more level is too deep.
    memory::Node* last = window;
    for (int depth = 1; depth < 400; ++depth) {
        memory::Node& child = memory::newElement("AXGroup");
        last->addChild(child);
        last = &child;
    }
    CommandResult result = run({"42", "100000"});
    ASSERT_EQ(result.status, 0);
    const Json record = Json::parse(result.document);
    EXPECT_EQ(levels(record), 400);

    last->addChild(memory::newElement("AXButton"));
    EXPECT_EQ(run({"42", "399"}).status, 0);  // the depth argument stops it in time
    result = run({"42", "400"});
    EXPECT_EQ(result.document, tooDeep);
    EXPECT_EQ(result.status, 1);
}

TEST_F(ReadTree, AnApplicationTooSlowToFinishIsAnErrorNotAPartialTree) {
    for (int i = 0; i < 50; ++i) window->addChild(memory::newElement("AXButton"));
    // A fifth of a second per read, a dozen reads per element.
    memory::desktop().microsecondsPerRead = 200000;
    const CommandResult result = run({"42", "5"});
    EXPECT_EQ(result.document, R"x({"error":"Application not responding (pid 42)"})x");
    EXPECT_EQ(result.status, 1);
    EXPECT_LT(memory::desktop().clockMicroseconds, 30000000u);
}

TEST_F(ReadTree, HoldsOnlyTheChildListsOnItsPath) {
    // 100 children of ten children each: 1,101 elements, of which a walk
    // needs at most the window, one list of 100 and one of 10 at a time.
    for (int i = 0; i < 100; ++i) {
        memory::Node& child = memory::newElement("AXGroup");
        window->addChild(child);
        for (int j = 0; j < 10; ++j) child.addChild(memory::newElement("AXButton"));
    }
    memory::resetPeakHandles();
    const long before = memory::liveHandles();
    const CommandResult result = run({"42"});
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(Json::parse(result.document)["children"].size(), 100u);
    EXPECT_LE(memory::peakHandles() - before, 1 + 100 + 10 + 2);
}

}  // namespace
