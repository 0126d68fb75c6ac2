// Screen capture on GNOME: a screen-cast session records every monitor,
// one frame is taken from the stream of each monitor that the requested
// rectangle touches (libpipewire, pipewire_frame.h), reduced to screen
// pixels and placed into the image as on wlroots (wayland/frame.h); what
// lies outside every monitor stays black. The pointer is left out.
#include <new>

#include "platform/linux/mutter/display_config.h"
#include "platform/linux/mutter/pipewire_frame.h"
#include "platform/linux/mutter/platform.h"
#include "platform/linux/mutter/session.h"
#include "platform/linux/pixel_box.h"
#include "platform/linux/wayland/frame.h"

namespace platform::mutter {
namespace {

// Mutter announces a stream's node as soon as the session starts and
// sends a frame with its next repaint.
constexpr int nodeTimeoutMilliseconds = 3000;
constexpr int frameTimeoutMilliseconds = 3000;

std::string failure = "GNOME's screen-cast service was not asked";

}  // namespace

std::string captureFailureReason() { return failure; }

std::vector<Monitor> monitors() {
    std::vector<Monitor> list;
    for (const LogicalMonitor& monitor : logicalMonitors()) list.push_back(Monitor{monitor.area, monitor.primary});
    return list;
}

std::optional<Image> captureScreenImage(Rect rect) {
    const std::optional<PixelBox> wanted = pixelBoxOf(rect);
    if (!wanted) {
        failure = "the area to capture has no size or is out of range";
        return std::nullopt;
    }
    std::optional<Image> image = blankImageOf(*wanted);
    if (!image) {
        failure = "not enough memory for the image";
        return std::nullopt;
    }
    std::optional<Session> session = Session::start(Session::Purpose::capture, failure);
    if (!session) return std::nullopt;
    if (!session->awaitNodes(nodeTimeoutMilliseconds)) {
        failure = "GNOME's screen-cast session named no PipeWire stream in time";
        return std::nullopt;
    }
    for (const CastStream& stream : session->streams()) {
        const std::optional<PixelBox> area = pixelBoxOf(stream.monitor.area);
        if (!area) continue;
        const PixelBox part = intersect(*wanted, *area);
        if (part.empty()) continue;
        const std::optional<StreamFrame> frame = takeFrame(*stream.node, frameTimeoutMilliseconds, failure);
        if (!frame) {
            failure = "monitor " + stream.monitor.connector + ": " + failure;
            return std::nullopt;
        }
        wayland::drawFrame(*image, *wanted,
                           wayland::Frame{frame->pixels.data(), frame->width, frame->height, frame->stride,
                                          frame->order, false},
                           *area);
    }
    return image;
}

}  // namespace platform::mutter
