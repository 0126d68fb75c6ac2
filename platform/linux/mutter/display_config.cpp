#include "platform/linux/mutter/display_config.h"

#include <cmath>
#include <map>
#include <utility>

#include "platform/linux/mutter/bus.h"

namespace platform::mutter {
namespace {

constexpr const char* displayConfigName = "org.gnome.Mutter.DisplayConfig";
constexpr const char* displayConfigPath = "/org/gnome/Mutter/DisplayConfig";
// GetCurrentState's layout-mode property.
constexpr std::uint32_t logicalLayoutMode = 1;

// Each helper reads one value at the iterator and leaves it in place; a
// value of another type reads as nothing.
template <typename T>
std::optional<T> basic(DBusMessageIter* iter, int type) {
    if (dbus_message_iter_get_arg_type(iter) != type) return std::nullopt;
    T value{};
    dbus_message_iter_get_basic(iter, &value);
    return value;
}

std::optional<std::string> text(DBusMessageIter* iter) {
    const auto value = basic<const char*>(iter, DBUS_TYPE_STRING);
    if (!value || !*value) return std::nullopt;
    return std::string(*value);
}

// The value of an a{sv} entry with this key, positioned in variant.
bool findOption(DBusMessageIter* dictionary, const char* key, DBusMessageIter* variant) {
    if (dbus_message_iter_get_arg_type(dictionary) != DBUS_TYPE_ARRAY) return false;
    DBusMessageIter entries;
    dbus_message_iter_recurse(dictionary, &entries);
    for (; dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&entries)) {
        DBusMessageIter entry;
        dbus_message_iter_recurse(&entries, &entry);
        const auto name = text(&entry);
        if (!name || *name != key) continue;
        dbus_message_iter_next(&entry);
        if (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_VARIANT) return false;
        dbus_message_iter_recurse(&entry, variant);
        return true;
    }
    return false;
}

struct Mode {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The current mode of each monitor by connector, from
// a((ssss)a(siiddada{sv})a{sv}): each monitor's identity (connector,
// vendor, product, serial), its modes, its properties.
std::map<std::string, Mode> currentModes(DBusMessageIter* monitors) {
    std::map<std::string, Mode> modes;
    if (dbus_message_iter_get_arg_type(monitors) != DBUS_TYPE_ARRAY) return modes;
    DBusMessageIter monitor;
    dbus_message_iter_recurse(monitors, &monitor);
    for (; dbus_message_iter_get_arg_type(&monitor) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&monitor)) {
        DBusMessageIter fields;
        DBusMessageIter identity;
        dbus_message_iter_recurse(&monitor, &fields);
        if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_STRUCT) continue;
        dbus_message_iter_recurse(&fields, &identity);
        const auto connector = text(&identity);
        if (!connector || !dbus_message_iter_next(&fields) || dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_ARRAY)
            continue;
        DBusMessageIter mode;
        dbus_message_iter_recurse(&fields, &mode);
        for (; dbus_message_iter_get_arg_type(&mode) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&mode)) {
            DBusMessageIter values;
            dbus_message_iter_recurse(&mode, &values);
            dbus_message_iter_next(&values);  // its id
            const auto width = basic<dbus_int32_t>(&values, DBUS_TYPE_INT32);
            dbus_message_iter_next(&values);
            const auto height = basic<dbus_int32_t>(&values, DBUS_TYPE_INT32);
            // refresh rate, preferred scale, supported scales, then the properties
            for (int skip = 0; skip < 4; ++skip) dbus_message_iter_next(&values);
            DBusMessageIter current;
            if (!width || !height || !findOption(&values, "is-current", &current)) continue;
            if (basic<dbus_bool_t>(&current, DBUS_TYPE_BOOLEAN).value_or(FALSE))
                modes[*connector] = Mode{*width, *height};
        }
    }
    return modes;
}

}  // namespace

std::vector<LogicalMonitor> readCurrentState(DBusMessage* reply) {
    std::vector<LogicalMonitor> list;
    DBusMessageIter iter;
    if (!reply || !dbus_message_iter_init(reply, &iter)) return list;
    dbus_message_iter_next(&iter);  // the serial
    const std::map<std::string, Mode> modes = currentModes(&iter);
    dbus_message_iter_next(&iter);
    DBusMessageIter logical = iter;
    dbus_message_iter_next(&iter);
    DBusMessageIter layoutMode;
    const bool scaledLayout =
        findOption(&iter, "layout-mode", &layoutMode) &&
        basic<dbus_uint32_t>(&layoutMode, DBUS_TYPE_UINT32).value_or(0) == logicalLayoutMode;
    if (dbus_message_iter_get_arg_type(&logical) != DBUS_TYPE_ARRAY) return list;
    DBusMessageIter entry;
    dbus_message_iter_recurse(&logical, &entry);
    // (iiduba(ssss)a{sv}): x, y, scale, transform, primary, monitors, properties
    for (; dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&entry)) {
        DBusMessageIter values;
        dbus_message_iter_recurse(&entry, &values);
        const auto x = basic<dbus_int32_t>(&values, DBUS_TYPE_INT32);
        dbus_message_iter_next(&values);
        const auto y = basic<dbus_int32_t>(&values, DBUS_TYPE_INT32);
        dbus_message_iter_next(&values);
        const auto scale = basic<double>(&values, DBUS_TYPE_DOUBLE);
        dbus_message_iter_next(&values);
        const auto transform = basic<dbus_uint32_t>(&values, DBUS_TYPE_UINT32);
        dbus_message_iter_next(&values);
        const auto primary = basic<dbus_bool_t>(&values, DBUS_TYPE_BOOLEAN);
        dbus_message_iter_next(&values);
        if (!x || !y || !scale || *scale <= 0 || !transform || !primary ||
            dbus_message_iter_get_arg_type(&values) != DBUS_TYPE_ARRAY)
            continue;
        DBusMessageIter monitors;
        DBusMessageIter identity;
        dbus_message_iter_recurse(&values, &monitors);
        if (dbus_message_iter_get_arg_type(&monitors) != DBUS_TYPE_STRUCT) continue;
        dbus_message_iter_recurse(&monitors, &identity);
        const auto connector = text(&identity);
        if (!connector) continue;
        const auto mode = modes.find(*connector);
        if (mode == modes.end()) continue;
        // Transforms 1 and 3 (and their flipped forms 5 and 7) turn a quarter.
        const bool sideways = *transform % 2 == 1;
        double width = sideways ? mode->second.height : mode->second.width;
        double height = sideways ? mode->second.width : mode->second.height;
        if (scaledLayout) {
            width /= *scale;
            height /= *scale;
        }
        list.push_back(LogicalMonitor{Rect{static_cast<double>(*x), static_cast<double>(*y), width, height}, *connector,
                                      scaledLayout ? *scale : 1.0, *primary != FALSE});
    }
    return list;
}

std::optional<MonitorPoint> monitorPoint(const std::vector<LogicalMonitor>& monitors, Point point) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return std::nullopt;
    const double x = std::floor(point.x);
    const double y = std::floor(point.y);
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Rect& area = monitors[i].area;
        if (x < area.x || y < area.y || x >= area.x + area.width || y >= area.y + area.height) continue;
        const double scale = monitors[i].streamScale;
        return MonitorPoint{i, (x - area.x) * scale, (y - area.y) * scale};
    }
    return std::nullopt;
}

const std::vector<LogicalMonitor>& logicalMonitors() {
    static const std::vector<LogicalMonitor> list = [] {
        const Reply reply =
            call(methodCall(displayConfigName, displayConfigPath, displayConfigName, "GetCurrentState"));
        return readCurrentState(reply.message.get());
    }();
    return list;
}

}  // namespace platform::mutter
