// What the AT-SPI2 backend treats as no data, and which toolkits it reads
// differently.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "platform/linux/atspi/placeholders.h"
#include "platform/linux/atspi/toolkit.h"

namespace {

using platform::atspi::Extents;

TEST(AtspiPlaceholders, ObjectReplacementCharactersAreNoText) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"\uFFFC\uFFFC\uFFFC", std::nullopt},          // a list's children only
        {"Pick \uFFFC", "Pick "},                      // a label around a select
        {"a\uFFFCb\uFFFC", "ab"},
        {"", ""},                                      // an empty field stays empty
        {"Ünïcødé 漢字 😀", "Ünïcødé 漢字 😀"},
        {"\xEF\xBF", "\xEF\xBF"},                      // a cut sequence is left to the writer
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(platform::atspi::withoutObjectCharacters(text), expected) << text;
    }
}

TEST(AtspiPlaceholders, SentinelCoordinatesAreNoGeometry) {
    constexpr std::int32_t noPosition = std::numeric_limits<std::int32_t>::min();
    struct Case {
        Extents extents;
        bool position, size;
    };
    const Case cases[] = {
        {{10, 20, 30, 40}, true, true},
        {{-5, -7, 30, 40}, true, true},            // a window partly off the left edge
        {{noPosition, noPosition, 200, 18}, false, true},  // a row scrolled out of view
        {{12, noPosition, 200, 18}, false, true},
        {{-1, -1, -1, -1}, false, false},
        {{-1, -1, 0, 0}, true, true},
        {{4, 4, -1, 10}, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::atspi::hasPosition(c.extents), c.position) << c.extents.x << "," << c.extents.y;
        EXPECT_EQ(platform::atspi::hasSize(c.extents), c.size) << c.extents.width << "x" << c.extents.height;
    }
}

TEST(AtspiToolkitQuirks, OnlyGtk4IsReadRelativeToItsWindow) {
    struct Case {
        const char* name;
        const char* version;
        bool gtk4;
    };
    const Case cases[] = {
        {"GTK", "4.8.3", true},   {"GTK", "4.14.0", true}, {"GTK", "3.24.38", false},
        {"Qt", "6.4.2", false},   {"Gecko", "4.0", false}, {"Chromium", "156.0", false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        const auto quirks = platform::atspi::quirksOf(c.name, c.version);
        EXPECT_EQ(quirks.extentsRelativeToWindow, c.gtk4) << c.name << " " << c.version;
        EXPECT_EQ(quirks.marksShowing, !c.gtk4) << c.name << " " << c.version;
        EXPECT_EQ(quirks.childrenByIndex, c.gtk4) << c.name << " " << c.version;
        EXPECT_TRUE(quirks.listsActions) << c.name << " " << c.version;
    }
}

TEST(AtspiToolkitQuirks, OnlyJavasBridgeLosesCharactersBeyondBmp) {
    EXPECT_FALSE(platform::atspi::quirksOf("J2SE-access-bridge", "1.0").takesCharactersBeyondBmp);
    for (const char* name : {"GTK", "Qt", "Gecko", "Chromium", ""})
        EXPECT_TRUE(platform::atspi::quirksOf(name, "1.0").takesCharactersBeyondBmp) << name;
}

// WebKitGTK's web process is told by the page root it plugs into the web
// view, and only its own names are read as it.
TEST(AtspiToolkitQuirks, AWebProcessIsToldByItsPlug) {
    using platform::atspi::ObjectAddress;
    EXPECT_TRUE(platform::atspi::isWebProcessPlug(ObjectAddress{"org.example.WebProcess-1", "/org/a11y/webkit/accessible/5d"}));
    EXPECT_FALSE(platform::atspi::isWebProcessPlug(ObjectAddress{":1.20", "/org/a11y/atspi/accessible/root"}));
    EXPECT_FALSE(platform::atspi::isWebProcessPlug(ObjectAddress{":1.20", "/org/a11y/webkitx/1"}));

    platform::atspi::rememberWebProcess(":1.77");
    EXPECT_FALSE(platform::atspi::applicationQuirks(":1.77").listsActions);
    EXPECT_TRUE(platform::atspi::applicationQuirks(":1.78").listsActions);
}

}  // namespace
