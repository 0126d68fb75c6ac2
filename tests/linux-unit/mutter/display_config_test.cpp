// Mutter's monitor layout as DisplayConfig.GetCurrentState describes it,
// and screen points as stream positions for pointer motion.
#include "platform/linux/mutter/display_config.h"

#include <dbus/dbus.h>
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::Point;
using platform::Rect;
using platform::mutter::LogicalMonitor;

struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

struct Mode {
    int width, height;
    bool current;
};
struct Monitor {
    std::string connector;
    std::vector<Mode> modes;
};
struct Logical {
    int x, y;
    double scale;
    unsigned transform;
    bool primary;
    std::string connector;
};

void appendString(DBusMessageIter* iter, const std::string& text) {
    const char* value = text.c_str();
    dbus_message_iter_append_basic(iter, DBUS_TYPE_STRING, &value);
}

// A monitor's identity as mutter gives it: (connector, vendor, product,
// serial).
void appendMonitorIdentity(DBusMessageIter* iter, const std::string& connector) {
    DBusMessageIter identity;
    dbus_message_iter_open_container(iter, DBUS_TYPE_STRUCT, nullptr, &identity);
    for (const std::string& field : {connector, std::string("MetaProducts Inc."), std::string("MetaMonitor"),
                                     std::string("0x123456")})
        appendString(&identity, field);
    dbus_message_iter_close_container(iter, &identity);
}

// An a{sv} with at most one entry holding a boolean or a uint32.
void appendProperties(DBusMessageIter* iter, const char* key, int type, const void* value) {
    DBusMessageIter dictionary, entry, variant;
    dbus_message_iter_open_container(iter, DBUS_TYPE_ARRAY, "{sv}", &dictionary);
    if (key) {
        dbus_message_iter_open_container(&dictionary, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
        const char signature[2] = {static_cast<char>(type), 0};
        dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant);
        dbus_message_iter_append_basic(&variant, type, value);
        dbus_message_iter_close_container(&entry, &variant);
        dbus_message_iter_close_container(&dictionary, &entry);
    }
    dbus_message_iter_close_container(iter, &dictionary);
}

// A GetCurrentState answer: (ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}).
Message currentState(const std::vector<Monitor>& monitors, const std::vector<Logical>& logical,
                     std::uint32_t layoutMode) {
    Message reply(dbus_message_new(DBUS_MESSAGE_TYPE_METHOD_RETURN));
    DBusMessageIter iter, list, item, modes, mode, scales, monitorList;
    dbus_message_iter_init_append(reply.get(), &iter);
    const dbus_uint32_t serial = 7;
    dbus_message_iter_append_basic(&iter, DBUS_TYPE_UINT32, &serial);
    dbus_message_iter_open_container(&iter, DBUS_TYPE_ARRAY, "((ssss)a(siiddada{sv})a{sv})", &list);
    for (const Monitor& monitor : monitors) {
        dbus_message_iter_open_container(&list, DBUS_TYPE_STRUCT, nullptr, &item);
        appendMonitorIdentity(&item, monitor.connector);
        dbus_message_iter_open_container(&item, DBUS_TYPE_ARRAY, "(siiddada{sv})", &modes);
        for (const Mode& m : monitor.modes) {
            dbus_message_iter_open_container(&modes, DBUS_TYPE_STRUCT, nullptr, &mode);
            appendString(&mode, std::to_string(m.width) + "x" + std::to_string(m.height) + "@60");
            const dbus_int32_t width = m.width, height = m.height;
            const double refresh = 60.0, preferred = 1.0;
            dbus_message_iter_append_basic(&mode, DBUS_TYPE_INT32, &width);
            dbus_message_iter_append_basic(&mode, DBUS_TYPE_INT32, &height);
            dbus_message_iter_append_basic(&mode, DBUS_TYPE_DOUBLE, &refresh);
            dbus_message_iter_append_basic(&mode, DBUS_TYPE_DOUBLE, &preferred);
            dbus_message_iter_open_container(&mode, DBUS_TYPE_ARRAY, "d", &scales);
            dbus_message_iter_append_basic(&scales, DBUS_TYPE_DOUBLE, &preferred);
            dbus_message_iter_close_container(&mode, &scales);
            const dbus_bool_t current = m.current;
            appendProperties(&mode, m.current ? "is-current" : nullptr, DBUS_TYPE_BOOLEAN, &current);
            dbus_message_iter_close_container(&modes, &mode);
        }
        dbus_message_iter_close_container(&item, &modes);
        appendProperties(&item, nullptr, 0, nullptr);
        dbus_message_iter_close_container(&list, &item);
    }
    dbus_message_iter_close_container(&iter, &list);
    dbus_message_iter_open_container(&iter, DBUS_TYPE_ARRAY, "(iiduba(ssss)a{sv})", &list);
    for (const Logical& entry : logical) {
        dbus_message_iter_open_container(&list, DBUS_TYPE_STRUCT, nullptr, &item);
        const dbus_int32_t x = entry.x, y = entry.y;
        const dbus_uint32_t transform = entry.transform;
        const dbus_bool_t primary = entry.primary;
        dbus_message_iter_append_basic(&item, DBUS_TYPE_INT32, &x);
        dbus_message_iter_append_basic(&item, DBUS_TYPE_INT32, &y);
        dbus_message_iter_append_basic(&item, DBUS_TYPE_DOUBLE, &entry.scale);
        dbus_message_iter_append_basic(&item, DBUS_TYPE_UINT32, &transform);
        dbus_message_iter_append_basic(&item, DBUS_TYPE_BOOLEAN, &primary);
        dbus_message_iter_open_container(&item, DBUS_TYPE_ARRAY, "(ssss)", &monitorList);
        appendMonitorIdentity(&monitorList, entry.connector);
        dbus_message_iter_close_container(&item, &monitorList);
        appendProperties(&item, nullptr, 0, nullptr);
        dbus_message_iter_close_container(&list, &item);
    }
    dbus_message_iter_close_container(&iter, &list);
    const dbus_uint32_t mode32 = layoutMode;
    appendProperties(&iter, "layout-mode", DBUS_TYPE_UINT32, &mode32);
    return reply;
}

constexpr std::uint32_t logicalLayout = 1;
constexpr std::uint32_t physicalLayout = 2;

void expectArea(const LogicalMonitor& monitor, Rect area) {
    EXPECT_EQ(monitor.area.x, area.x);
    EXPECT_EQ(monitor.area.y, area.y);
    EXPECT_EQ(monitor.area.width, area.width);
    EXPECT_EQ(monitor.area.height, area.height);
}

TEST(MutterDisplayConfig, TheHeadlessMonitorIsItsCurrentModeAtTheOrigin) {
    const Message reply = currentState({{"Meta-0", {{1024, 768, false}, {1280, 1024, true}}}},
                                       {{0, 0, 1.0, 0, true, "Meta-0"}}, physicalLayout);
    const auto monitors = platform::mutter::readCurrentState(reply.get());
    ASSERT_EQ(monitors.size(), 1U);
    expectArea(monitors[0], {0, 0, 1280, 1024});
    EXPECT_EQ(monitors[0].connector, "Meta-0");
    EXPECT_TRUE(monitors[0].primary);
    EXPECT_EQ(monitors[0].streamScale, 1.0);
}

TEST(MutterDisplayConfig, ScaleAndTurnShapeTheAreaByLayoutMode) {
    const std::vector<Monitor> monitors{{"DP-1", {{3840, 2160, true}}}, {"HDMI-1", {{1920, 1080, true}}}};
    const std::vector<Logical> logical{{0, 0, 2.0, 0, true, "DP-1"}, {1920, 0, 1.0, 1, false, "HDMI-1"}};

    // Logical layout: an area is its mode over its scale, a stream counts
    // device pixels; the quarter-turned monitor stands upright.
    const Message scaled = currentState(monitors, logical, logicalLayout);
    const auto inLogical = platform::mutter::readCurrentState(scaled.get());
    ASSERT_EQ(inLogical.size(), 2U);
    expectArea(inLogical[0], {0, 0, 1920, 1080});
    EXPECT_EQ(inLogical[0].streamScale, 2.0);
    expectArea(inLogical[1], {1920, 0, 1080, 1920});
    EXPECT_FALSE(inLogical[1].primary);

    // Physical layout: the mode itself, whatever the scale.
    const Message physical = currentState(monitors, logical, physicalLayout);
    const auto inPhysical = platform::mutter::readCurrentState(physical.get());
    ASSERT_EQ(inPhysical.size(), 2U);
    expectArea(inPhysical[0], {0, 0, 3840, 2160});
    EXPECT_EQ(inPhysical[0].streamScale, 1.0);
}

TEST(MutterDisplayConfig, MonitorsWithoutACurrentModeAndOtherAnswersGiveNothing) {
    const Message noMode = currentState({{"DP-1", {{1920, 1080, false}}}}, {{0, 0, 1.0, 0, true, "DP-1"}},
                                        physicalLayout);
    EXPECT_TRUE(platform::mutter::readCurrentState(noMode.get()).empty());
    const Message unknownConnector =
        currentState({{"DP-1", {{1920, 1080, true}}}}, {{0, 0, 1.0, 0, true, "DP-2"}}, physicalLayout);
    EXPECT_TRUE(platform::mutter::readCurrentState(unknownConnector.get()).empty());
    Message other(dbus_message_new(DBUS_MESSAGE_TYPE_METHOD_RETURN));
    const char* text = "not a state";
    dbus_message_append_args(other.get(), DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
    EXPECT_TRUE(platform::mutter::readCurrentState(other.get()).empty());
    EXPECT_TRUE(platform::mutter::readCurrentState(nullptr).empty());
}

TEST(MutterDisplayConfig, PointsBecomeStreamPixelsOfTheMonitorHoldingThem) {
    const std::vector<LogicalMonitor> monitors{{{0, 0, 1920, 1080}, "DP-1", 2.0, true},
                                               {{1920, 0, 1080, 1920}, "HDMI-1", 1.0, false},
                                               {{-1280, 100, 1280, 1024}, "DP-2", 1.0, false}};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        Point point;
        std::optional<std::size_t> monitor;
        double x, y;
    };
    const Case cases[] = {
        {{100.7, 50.2}, 0, 200, 100},   // the pixel's corner, in device pixels
        {{1919.9, 0}, 0, 3838, 0},      // the last pixel of the first
        {{1920, 0}, 1, 0, 0},           // the first of the next
        {{2000, 1900}, 1, 80, 1900},
        {{-1, 100}, 2, 1279, 0},        // left of the origin
        {{-1, 99}, std::nullopt, 0, 0}, // above it: no monitor
        {{1920, 1920}, std::nullopt, 0, 0},
        {{nan, 5}, std::nullopt, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
        const auto found = platform::mutter::monitorPoint(monitors, c.point);
        ASSERT_EQ(found.has_value(), c.monitor.has_value());
        if (!found) continue;
        EXPECT_EQ(found->monitor, *c.monitor);
        EXPECT_EQ(found->x, c.x);
        EXPECT_EQ(found->y, c.y);
    }
}

}  // namespace
