#include <gtest/gtest.h>

#include <cmath>

#include "accessibility/attributes.h"
#include "platform/memory/memory_desktop.h"

namespace {

using memory::Failure;
using memory::Node;
using memory::StoredValue;

class Readers : public ::testing::Test {
protected:
    void SetUp() override { memory::resetDesktop(); }

    std::int32_t nextPid = 100;

    // A handle on a fresh element holding one attribute.
    platform::Element elementWith(const char* attribute, StoredValue value) {
        Node& node = memory::newNode();
        node.set(attribute, std::move(value));
        const std::int32_t pid = nextPid++;
        memory::addApplication(pid, "App").addWindow(node);
        return getElementList(platform::createApplicationElement(pid), "AXWindows")->front();
    }
};

TEST_F(Readers, ScalarReadersByValueKind) {
    const struct {
        const char* name;
        StoredValue stored;
        std::optional<std::string> text;
        std::optional<std::int64_t> integer;
        std::optional<bool> flag;
    } cases[] = {
        {"text", std::string("Save"), "Save", std::nullopt, std::nullopt},
        {"empty text", std::string(""), "", std::nullopt, std::nullopt},
        {"digits text", std::string("12"), "12", std::nullopt, std::nullopt},
        {"true text", std::string("true"), "true", std::nullopt, std::nullopt},
        {"Boolean false", false, std::nullopt, 0, false},
        {"Boolean true", true, std::nullopt, 1, true},
        {"integer 2", std::int64_t{2}, std::nullopt, 2, true},
        {"integer 0", std::int64_t{0}, std::nullopt, 0, false},
        {"fraction", 2.75, std::nullopt, 2, true},
        {"huge real", 1e300, std::nullopt, std::nullopt, true},
        {"NaN", std::nan(""), std::nullopt, std::nullopt, true},
        {"failing call", Failure{}, std::nullopt, std::nullopt, std::nullopt},
        {"point", platform::PointValue{{1, 2}}, std::nullopt, std::nullopt, std::nullopt},
        {"element list", std::vector<Node*>{}, std::nullopt, std::nullopt, std::nullopt},
        {"other kind", platform::OtherValue{}, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const platform::Element element = elementWith("AXThing", c.stored);
        EXPECT_EQ(getStringAttr(element, "AXThing"), c.text) << c.name;
        EXPECT_EQ(getIntAttr(element, "AXThing"), c.integer) << c.name;
        EXPECT_EQ(getBoolAttr(element, "AXThing"), c.flag) << c.name;
        EXPECT_EQ(getStringAttr(element, "AXMissing"), std::nullopt) << c.name;
    }
}

TEST_F(Readers, GeometryOfTheWrongKindReadsAsOrigin) {
    const platform::Element sizeAsPosition = elementWith("AXPosition", platform::SizeValue{{5, 6}});
    const auto position = getPosition(sizeAsPosition);
    ASSERT_TRUE(position);
    EXPECT_EQ(position->x, 0);
    EXPECT_EQ(position->y, 0);

    const platform::Element textAsSize = elementWith("AXSize", std::string("big"));
    ASSERT_TRUE(getSize(textAsSize));
    EXPECT_EQ(getSize(textAsSize)->width, 0);

    const platform::Element failing = elementWith("AXPosition", Failure{});
    EXPECT_FALSE(getPosition(failing));
    EXPECT_FALSE(getSize(failing));

    const platform::Element real = elementWith("AXSize", platform::SizeValue{{51, 20.5}});
    EXPECT_EQ(getSize(real)->height, 20.5);
}

TEST_F(Readers, ChildrenAreEmptyUnlessAList) {
    Node& parent = memory::newNode();
    parent.addChild(memory::newElement("AXButton")).addChild(memory::newElement("AXCheckBox"));
    memory::addApplication(2, "App").addWindow(parent);
    const platform::Element window = getElementList(platform::createApplicationElement(2), "AXWindows")->front();
    const auto children = getChildren(window);
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(getStringAttr(children[1], "AXRole"), "AXCheckBox");

    parent.set("AXChildren", Failure{});
    EXPECT_TRUE(getChildren(window).empty());
    parent.set("AXChildren", std::string("not a list"));
    EXPECT_TRUE(getChildren(window).empty());
}

TEST_F(Readers, ActionsNeedEveryEntryToBeText) {
    Node& node = memory::newNode();
    memory::addApplication(3, "App").addWindow(node);
    const platform::Element element = getElementList(platform::createApplicationElement(3), "AXWindows")->front();

    node.setActions({"AXPress", "AXShowMenu"});
    EXPECT_EQ(getActions(element), (std::vector<std::string>{"AXPress", "AXShowMenu"}));
    node.actions = std::vector<StoredValue>{std::string("AXPress"), std::int64_t{7}};
    EXPECT_TRUE(getActions(element).empty());
    node.actions.reset();
    EXPECT_TRUE(getActions(element).empty());
}

TEST_F(Readers, ReleaseEveryHandleTheyTake) {
    Node& parent = memory::newNode();
    for (int i = 0; i < 5; ++i) parent.addChild(memory::newNode());
    memory::addApplication(4, "App").addWindow(parent);
    const long before = memory::liveHandles();
    {
        const platform::Element window = getElementList(platform::createApplicationElement(4), "AXWindows")->front();
        (void)getChildren(window);
        (void)getStringAttr(window, "AXChildren");
        (void)getBoolAttr(window, "AXChildren");
    }
    EXPECT_EQ(memory::liveHandles(), before);
}

}  // namespace
