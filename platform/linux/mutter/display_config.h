#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <dbus/dbus.h>

#include "platform/geometry.h"

// The monitors as mutter lays them out (org.gnome.Mutter.DisplayConfig,
// GetCurrentState), which a process of the same user may read without a
// prompt. Each logical monitor is an area of the screen; its first
// physical monitor's connector (such as Meta-0 headless, DP-1) names it
// in the screen-cast calls.
namespace platform::mutter {

struct LogicalMonitor {
    Rect area;                 // in screen coordinates (logical pixels)
    std::string connector;     // its first monitor's
    double streamScale = 1.0;  // stream pixels per screen pixel
    bool primary = false;
};

// The logical monitors, read once per run; empty when mutter does not
// answer.
const std::vector<LogicalMonitor>& logicalMonitors();

// A screen point as pointer motion in a monitor's stream names it: the
// monitor holding the pixel at the point, and that pixel's top-left
// corner (as on X11) in the stream's pixels from the monitor's corner.
struct MonitorPoint {
    std::size_t monitor = 0;  // index into the list
    double x = 0;
    double y = 0;
};

// Nothing when no monitor holds the pixel or the point is not a number.
std::optional<MonitorPoint> monitorPoint(const std::vector<LogicalMonitor>& monitors, Point point);

// Reads the answer to GetCurrentState: logical monitors with a connector
// whose current mode is known. In the logical layout mode (mutter's
// scale-monitor-framebuffer) an area is its mode divided by its scale and
// a stream counts device pixels; in the physical mode an area is the mode
// itself. A monitor turned a quarter has its mode's sides swapped.
std::vector<LogicalMonitor> readCurrentState(DBusMessage* reply);

}  // namespace platform::mutter
