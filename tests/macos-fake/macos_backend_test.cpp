// What the macOS backend itself does with the system's values, through
// the fake: conversions by type, error codes, the messaging time-out,
// activation's second attribute, and its plain C++ helpers.
#include <gtest/gtest.h>

#include <cmath>

#include "input/synthetic_input.h"
#include "platform/accessibility.h"
#include "platform/macos/appkit/bundle_path.h"
#include "platform/macos/appkit/open_command.h"
#include "platform/macos/cg/capture_composition.h"
#include "platform/macos/cg/key_codes.h"
#include "platform/macos/cg/unicode_chunks.h"
#include "platform/memory/memory_desktop.h"
#include "tests/macos-fake/fake_objects.h"

namespace {

using platform::AttributeValue;
using platform::Element;

class MacosBackend : public ::testing::Test {
protected:
    void SetUp() override {
        memory::resetDesktop();
        fake::state().apiDisabled = false;
        app = &memory::addApplication(pid, "App");
        app->addWindow(*(window = &memory::newElement("AXWindow", "w")));
    }
    void TearDown() override { fake::state().apiDisabled = false; }

    static constexpr std::int32_t pid = 31;
    memory::Node* app = nullptr;
    memory::Node* window = nullptr;
};

TEST_F(MacosBackend, ValuesAreToldApartByTheirTypeAndNothingIsLeft) {
    memory::Node& child = memory::newElement("AXButton");
    window->set("text", std::string("h\xC3\xA9llo \xF0\x9F\x98\x80"))
        .set("integer", std::int64_t{-7})
        .set("real", 2.5)
        .set("flag", false)
        .set("point", platform::PointValue{{1.5, -2}})
        .set("size", platform::SizeValue{{3, 4}})
        .set("other", platform::OtherValue{})
        .set("element", &child)
        .set("elements", std::vector<memory::Node*>{&child, window});
    const long before = fake::liveObjects();
    {
        const Element root = platform::createApplicationElement(pid);
        auto windows = platform::copyAttributeValue(root, "AXWindows");
        ASSERT_TRUE(windows);
        const Element w = std::get<std::vector<Element>>(*windows).at(0);
        auto read = [&](const char* name) { return platform::copyAttributeValue(w, name).value(); };
        EXPECT_EQ(std::get<std::string>(read("text")), "h\xC3\xA9llo \xF0\x9F\x98\x80");
        EXPECT_EQ(std::get<std::int64_t>(read("integer")), -7);
        EXPECT_EQ(std::get<double>(read("real")), 2.5);
        EXPECT_EQ(std::get<bool>(read("flag")), false);
        const auto point = std::get<platform::PointValue>(read("point")).point;
        EXPECT_EQ(point.x, 1.5);
        EXPECT_EQ(point.y, -2);
        EXPECT_EQ(std::get<platform::SizeValue>(read("size")).size.height, 4);
        EXPECT_TRUE(std::holds_alternative<platform::OtherValue>(read("other")));
        EXPECT_EQ(memory::nodeOf(std::get<Element>(read("element"))), &child);
        const auto elements = std::get<std::vector<Element>>(read("elements"));
        ASSERT_EQ(elements.size(), 2u);
        EXPECT_EQ(memory::nodeOf(elements[0]), &child);
        EXPECT_EQ(memory::nodeOf(elements[1]), window);
        EXPECT_TRUE(platform::isSameElement(elements[1], w));
        EXPECT_FALSE(platform::isSameElement(elements[0], w));
    }
    EXPECT_EQ(fake::liveObjects(), before);
    EXPECT_EQ(fake::state().badReleases, 0);
}

TEST_F(MacosBackend, EveryErrorCodeReadsAsAbsent) {
    window->set("broken", memory::Failure{});
    window->setActions({"AXPress"});
    const Element root = platform::createApplicationElement(pid);
    const Element w = std::get<std::vector<Element>>(*platform::copyAttributeValue(root, "AXWindows")).at(0);
    EXPECT_FALSE(platform::copyAttributeValue(w, "AXMissing"));  // kAXErrorAttributeUnsupported
    EXPECT_FALSE(platform::copyAttributeValue(w, "broken"));     // kAXErrorNoValue
    const Element dead = platform::createApplicationElement(999);  // kAXErrorCannotComplete at once
    EXPECT_FALSE(platform::copyAttributeValue(dead, "AXWindows"));
    EXPECT_FALSE(platform::stoppedAnswering(dead));  // gone, not hung
    fake::state().apiDisabled = true;                // kAXErrorAPIDisabled
    EXPECT_FALSE(platform::copyAttributeValue(w, "AXRole"));
    EXPECT_FALSE(platform::copyActionNames(w));
    EXPECT_FALSE(platform::performAction(w, "AXPress"));
    EXPECT_FALSE(platform::setAttributeValue(w, "AXValue", std::string("x")));
}

TEST_F(MacosBackend, MessagingTimeOutIsSetOnceAndATimedOutCallMarksTheApplication) {
    const Element root = platform::createApplicationElement(pid);
    platform::createApplicationElement(pid);
    // Once per run, on the system-wide element, between one and three seconds.
    ASSERT_EQ(fake::state().messagingTimeouts.size(), 1u);
    EXPECT_TRUE(fake::state().messagingTimeouts[0].first);
    EXPECT_GE(fake::state().messagingTimeouts[0].second, 1.0f);
    EXPECT_LE(fake::state().messagingTimeouts[0].second, 3.0f);

    EXPECT_FALSE(platform::stoppedAnswering(root));
    memory::desktop().stoppedAnswering = true;
    const std::uint64_t before = memory::desktop().clockMicroseconds;
    EXPECT_FALSE(platform::copyAttributeValue(root, "AXWindows"));  // kAXErrorCannotComplete after the wait
    EXPECT_GE(memory::desktop().clockMicroseconds - before, 1000000u);
    EXPECT_TRUE(platform::stoppedAnswering(root));
    EXPECT_FALSE(platform::stoppedAnswering(platform::createApplicationElement(pid + 1)));
}

TEST_F(MacosBackend, EnhancedInterfaceAlsoSetsManualAccessibilityWhoseOutcomeIsIgnored) {
    const struct {
        std::vector<std::string> settable;
        bool success;
    } cases[] = {
        {{"AXEnhancedUserInterface"}, true},
        {{"AXManualAccessibility"}, false},
        {{}, false},
    };
    for (const auto& c : cases) {
        memory::desktop().records.clear();
        app->settable = {c.settable.begin(), c.settable.end()};
        EXPECT_EQ(platform::setAttributeValue(platform::createApplicationElement(pid), "AXEnhancedUserInterface", true),
                  c.success);
        const auto sets = memory::recordsOf<memory::AttributeSet>();
        ASSERT_EQ(sets.size(), 2u);
        EXPECT_EQ(sets[0].attribute, "AXEnhancedUserInterface");
        EXPECT_EQ(sets[1].attribute, "AXManualAccessibility");
        EXPECT_EQ(sets[1].flag, std::optional<bool>(true));
    }
    // Other attributes are set alone.
    memory::desktop().records.clear();
    window->settable.insert("AXValue");
    const Element root = platform::createApplicationElement(pid);
    const Element w = std::get<std::vector<Element>>(*platform::copyAttributeValue(root, "AXWindows")).at(0);
    EXPECT_TRUE(platform::setAttributeValue(w, "AXValue", std::string("a\xF0\x9F\x98\x80")));
    const auto sets = memory::recordsOf<memory::AttributeSet>();
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].text, std::optional<std::string>("a\xF0\x9F\x98\x80"));
}

// n letters a, then the given units.
std::u16string letters(std::size_t n, std::u16string_view then = {}) {
    std::u16string text(n, u'a');
    text.append(then);
    return text;
}

TEST(UnicodeChunks, AtMostTwentyUnitsAndNoSplitPair) {
    const struct {
        std::u16string text;
        std::vector<std::size_t> sizes;
    } cases[] = {
        {u"", {}},
        {std::u16string(20, u'a'), {20}},
        {std::u16string(25, u'a'), {20, 5}},  // a 25-unit cluster goes as two events
        {letters(19, u"\U0001F600b"), {19, 3}},
        {letters(18, u"\U0001F600b"), {20, 1}},
        {std::u16string(41, u'x'), {20, 20, 1}},
    };
    for (const auto& c : cases) {
        const auto chunks = platform::macos::unicodeChunks(c.text);
        std::vector<std::size_t> sizes;
        std::u16string joined;
        for (const auto& chunk : chunks) sizes.push_back(chunk.size()), joined += chunk;
        EXPECT_EQ(sizes, c.sizes) << c.text.size();
        EXPECT_EQ(joined, c.text);
    }
}

// A display's picture whose red channel is its pixel column and whose
// green channel names the display.
platform::macos::DisplayPicture picture(platform::Rect bounds, double scale, std::uint8_t name) {
    platform::Image image;
    image.width = static_cast<std::uint32_t>(bounds.width * scale);
    image.height = static_cast<std::uint32_t>(bounds.height * scale);
    for (std::uint32_t y = 0; y < image.height; ++y)
        for (std::uint32_t x = 0; x < image.width; ++x)
            image.rgb.insert(image.rgb.end(), {static_cast<std::uint8_t>(x % 256), name, 0});
    return {bounds, image};
}

TEST(CaptureComposition, CutsEachDisplayAndJoinsThemAtTheHighestDensity) {
    // A Retina main display and an ordinary one to its left.
    const std::vector<platform::macos::DisplayPicture> displays{
        picture({0, 0, 800, 600}, 2, 1),
        picture({-500, 0, 500, 700}, 1, 2),
    };
    const auto image = platform::macos::composeCapture({-10, 10, 20, 5}, displays);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 40u);  // 20 points at two pixels a point
    EXPECT_EQ(image->height, 10u);
    auto at = [&](std::uint32_t x, std::uint32_t y) {
        const std::size_t i = (static_cast<std::size_t>(y) * image->width + x) * 3;
        return std::pair{image->rgb[i], image->rgb[i + 1]};
    };
    EXPECT_EQ(at(0, 0), (std::pair<std::uint8_t, std::uint8_t>{static_cast<std::uint8_t>(490 % 256), 2}));   // x -9.75 on the left display
    EXPECT_EQ(at(19, 9), (std::pair<std::uint8_t, std::uint8_t>{static_cast<std::uint8_t>(499 % 256), 2}));
    EXPECT_EQ(at(20, 0), (std::pair<std::uint8_t, std::uint8_t>{0, 1}));    // x 0.25 on the main one
    EXPECT_EQ(at(39, 9), (std::pair<std::uint8_t, std::uint8_t>{19, 1}));   // x 9.75: its pixel 19

    // Below the main display and beside the left one's lower part: black.
    const auto below = platform::macos::composeCapture({100, 650, 10, 10}, displays);
    ASSERT_TRUE(below);
    EXPECT_EQ(below->width, 10u);  // touches no display: one pixel a point
    EXPECT_EQ(below->rgb, std::vector<std::uint8_t>(10 * 10 * 3, 0));
    EXPECT_FALSE(platform::macos::composeCapture({0, 0, 0, 10}, displays));
}

TEST(BundlePath, CutAfterTheFirstAppFolder) {
    const struct {
        const char* executable;
        std::optional<std::string> bundle;
    } cases[] = {
        {"/Applications/Safari.app/Contents/MacOS/Safari", "/Applications/Safari.app"},
        {"/Applications/Google Chrome.app/Contents/Frameworks/x.app/Contents/MacOS/Helper",
         "/Applications/Google Chrome.app"},
        {"/usr/bin/python3", std::nullopt},
        {"/Applications/.app/Contents/MacOS/x", std::nullopt},
        {"relative/Thing.app/Contents/MacOS/x", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::macos::bundlePathOfExecutable(c.executable), c.bundle) << c.executable;
    const auto command = platform::macos::openCommand("/Applications/Safari.app", "https://example.com/?a=b c");
    EXPECT_EQ(command.program, "/usr/bin/open");
    EXPECT_EQ(command.arguments,
              (std::vector<std::string>{"-a", "/Applications/Safari.app", "https://example.com/?a=b c"}));
}

TEST(KeyCodes, UsLayoutPositionsShiftAndModifiers) {
    const struct {
        platform::KeySymbol symbol;
        std::optional<std::uint16_t> key;
        bool shift;
        std::uint64_t modifier;
        std::u16string characters;
    } cases[] = {
        {0x61, 0x00, false, 0, u"a"},      {0x41, 0x00, true, 0, u"A"},         {0x3f, 0x2C, true, 0, u"?"},
        {0x31, 0x12, false, 0, u"1"},      {0x20, 0x31, false, 0, u" "},        {0xff0d, 0x24, false, 0, u""},
        {0xffe3, 0x3B, false, 0x40000, u""}, {0xffeb, 0x37, false, 0x100000, u""}, {0xe9, 0x00, false, 0, u"\u00e9"},
        {0x0101f600, 0x00, false, 0, u"\U0001F600"}, {0xfe00, std::nullopt, false, 0, u""},
    };
    for (const auto& c : cases) {
        const auto stroke = platform::macos::keyStrokeOf(c.symbol);
        ASSERT_EQ(stroke.has_value(), c.key.has_value()) << std::hex << c.symbol;
        if (!stroke) continue;
        EXPECT_EQ(stroke->virtualKey, *c.key) << std::hex << c.symbol;
        EXPECT_EQ(stroke->needsShift, c.shift) << std::hex << c.symbol;
        EXPECT_EQ(stroke->modifierFlag, c.modifier) << std::hex << c.symbol;
        EXPECT_EQ(stroke->characters, c.characters) << std::hex << c.symbol;
    }
}

}  // namespace

namespace {

using fake::PostedEvent;

// The Core Graphics side of what the input operations post: every event at
// the HID tap, with the fields the platform's table gives.
TEST(MacosEvents, PostedAtTheHidTapWithTheTableFields) {
    memory::resetDesktop();
    memory::desktop().random = [](std::uint32_t low, std::uint32_t) { return low; };
    fake::state().posted.clear();
    clickAt(100.7, -20.2);
    scrollBy(-120);
    // A base letter with 24 combining marks: one cluster of 25 units, more
    // than one key event carries.
    std::string cluster = "e";
    for (int i = 0; i < 24; ++i) cluster += "\xCC\x81";
    ASSERT_FALSE(typeText(cluster));

    const auto& posted = fake::state().posted;
    ASSERT_EQ(posted.size(), 2u + 1u + 4u);
    for (const PostedEvent& event : posted) EXPECT_EQ(event.tap, kCGHIDEventTap);
    for (int i : {0, 1}) {
        EXPECT_EQ(posted[i].event.mouseType, i == 0 ? kCGEventLeftMouseDown : kCGEventLeftMouseUp);
        EXPECT_EQ(posted[i].event.button, kCGMouseButtonLeft);
        EXPECT_EQ(posted[i].event.location.x, 100.7);
        EXPECT_EQ(posted[i].event.location.y, -20.2);
        EXPECT_EQ(posted[i].event.clickState, 1);
    }
    EXPECT_EQ(posted[2].event.units, kCGScrollEventUnitPixel);
    EXPECT_EQ(posted[2].event.wheelCount, 1u);
    EXPECT_EQ(posted[2].event.wheels[0], -120);
    EXPECT_EQ(posted[2].event.wheels[1], 0);
    // Key-down as 20 units and 5, key-up the same, all with key 0.
    const std::size_t units[] = {20, 5, 20, 5};
    const bool down[] = {true, true, false, false};
    std::u16string carried;
    for (int i = 0; i < 4; ++i) {
        const auto& key = posted[3 + i].event;
        EXPECT_EQ(key.virtualKey, 0);
        EXPECT_EQ(key.keyDown, down[i]);
        EXPECT_EQ(key.characters.size(), units[i]);
        if (down[i]) carried += key.characters;
    }
    std::u16string expected(1, u'e');
    expected.append(24, u'\u0301');
    EXPECT_EQ(carried, expected);  // nothing cut off
    // One pause after the cluster, as for any cluster.
    EXPECT_EQ(memory::recordsOf<memory::Paused>().size(), 2u);
}

}  // namespace

namespace {

// The counting that every test of this binary ends with sees a leak and a
// release too many.
TEST(FakeCounting, SeesAnObjectLeftAliveAndAReleaseTooMany) {
    const long before = fake::liveObjects();
    const long badBefore = fake::state().badReleases;
    const UniChar units[] = {'o', 'k'};
    CFStringRef text = CFStringCreateWithCharacters(kCFAllocatorDefault, units, 2);
    EXPECT_EQ(fake::liveObjects(), before + 1);
    CFRelease(text);
    EXPECT_EQ(fake::liveObjects(), before);
    CFRelease(text);
    EXPECT_EQ(fake::state().badReleases, badBefore + 1);
    fake::state().badReleases = badBefore;  // seen; not this test's fault
}

}  // namespace
