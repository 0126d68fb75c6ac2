#include <gtest/gtest.h>

#include <string>

#include "accessibility/applications.h"
#include "platform/memory/memory_desktop.h"
#include "tree/element_path.h"

namespace {

// A window with three children; the second has three children of its own,
// the first a child list whose query fails.
class ElementPath : public testing::Test {
protected:
    void SetUp() override {
        memory::resetDesktop();
        handlesBefore = memory::liveHandles();
        memory::Node& application = memory::addApplication(7, "App");
        window = &memory::newElement("AXWindow", "window");
        application.addWindow(*window);
        for (int i = 0; i < 3; ++i) {
            children[i] = &memory::newElement("AXGroup", "child " + std::to_string(i));
            window->addChild(*children[i]);
        }
        for (int i = 0; i < 3; ++i) {
            grandchildren[i] = &memory::newElement("AXButton", "grandchild " + std::to_string(i));
            children[1]->addChild(*grandchildren[i]);
        }
        children[0]->set("AXChildren", memory::Failure{});
    }

    void TearDown() override { EXPECT_EQ(memory::liveHandles(), handlesBefore); }

    long handlesBefore = 0;
    memory::Node* window = nullptr;
    memory::Node* children[3] = {};
    memory::Node* grandchildren[3] = {};
};

TEST_F(ElementPath, LenientGrammar) {
    struct Case {
        std::string path;
        memory::Node* expected;
    };
    const std::string twentyNines(20, '9');
    const Case cases[] = {
        // Fewer than two integers: the root.
        {"0", window}, {"7", window}, {"abc", window}, {"0.abc", window}, {".", window}, {"", window},
        {".2", window}, {"0. 2", window}, {"0.2 ", window}, {"0." + twentyNines, window}, {"0.2x", window},
        // The first integer is discarded, whatever it is.
        {"0.2", children[2]}, {"5.2", children[2]}, {"-9.2", children[2]}, {"x.1.2", children[2]},
        // Empty pieces and pieces that do not parse fall away.
        {"0..2", children[2]}, {".0.2", children[2]}, {"0.2.", children[2]}, {"0.x.2", children[2]},
        {"0..1...2..", grandchildren[2]}, {"0." + twentyNines + ".1.0", grandchildren[0]},
        // Sign and leading zeros.
        {"0.+2", children[2]}, {"0.02", children[2]}, {"0.1.-0", grandchildren[0]},
        {"0.1.2", grandchildren[2]},
        // A dot carrying a combining mark (U+0301) does not cut, and the
        // piece it stays in does not parse.
        {"0.\xCC\x81" "1.2", window},
        {"0.1.\xCC\x81" "2", window},
        {"0.1.2.\xCC\x81", children[1]},
        // Positions that do not exist.
        {"0.-1", nullptr}, {"0.3", nullptr}, {"0.1.3", nullptr}, {"0.1.2.0", nullptr},
        {"0.0.0", nullptr},  // the children query fails
        {"0.9223372036854775807", nullptr},
    };
    const auto root = getWindowElement(7, 0);
    ASSERT_TRUE(root);
    for (const Case& c : cases) {
        const auto found = resolveElement(*root, c.path);
        if (!c.expected) {
            EXPECT_FALSE(found) << '"' << c.path << '"';
            continue;
        }
        ASSERT_TRUE(found) << '"' << c.path << '"';
        EXPECT_EQ(memory::nodeOf(*found), c.expected) << '"' << c.path << '"';
    }
}

TEST_F(ElementPath, ResultIsItsOwnReferenceAndNothingElseIsHeld) {
    const long before = memory::liveHandles();
    {
        auto root = getWindowElement(7, 0);
        ASSERT_TRUE(root);
        auto same = resolveElement(*root, "0");
        ASSERT_TRUE(same);
        root.reset();  // the result outlives the root handle
        EXPECT_EQ(memory::nodeOf(*same), window);
        EXPECT_EQ(memory::liveHandles(), before + 1);
        root = getWindowElement(7, 0);
        auto deep = resolveElement(*root, "0.1.2");
        ASSERT_TRUE(deep);
        // Only the root and the result are held; the intermediate element
        // and the sibling lists are gone.
        EXPECT_EQ(memory::liveHandles(), before + 3);
    }
    EXPECT_EQ(memory::liveHandles(), before);
}

}  // namespace
