#include "capture/screenshot_command.h"

#include <cstdint>
#include <string>
#include <variant>

#include "accessibility/applications.h"
#include "accessibility/attributes.h"
#include "accessibility/geometry_conversion.h"
#include "capture/png_capture.h"
#include "capture/rectangles.h"
#include "capture/screen_geometry.h"

namespace {

struct Target {
    std::int32_t pid = -1;
    std::int64_t windowIndex = 0;
};

// The operands come in any order: "--window N" anywhere, and the first
// argument that leaves pid at 0 or more is the pid; the rest is ignored.
Target scanArguments(const Arguments& arguments) {
    Target target;
    std::size_t i = 2;
    while (i < arguments.size()) {
        if (arguments[i] == "--window" && i + 1 < arguments.size()) {
            target.windowIndex = parseInt64(arguments[i + 1]).value_or(0);
            i += 2;
            continue;
        }
        if (target.pid < 0) target.pid = parseInt32(arguments[i]).value_or(-1);
        i += 1;
    }
    return target;
}

// Every number has an integer form for the answer.
bool hasIntegerForm(const platform::Rect& rect) {
    return truncateToInt64(rect.x) && truncateToInt64(rect.y) && truncateToInt64(rect.width) &&
           truncateToInt64(rect.height);
}

// The window's screen area, or the error that ends the run. The window
// element is released when this returns.
std::variant<platform::Rect, std::string> windowRectangle(const Target& target) {
    const auto window = getWindowElement(target.pid, target.windowIndex);
    if (!window)
        return "Window not found (pid " + std::to_string(target.pid) + ", index " +
               std::to_string(target.windowIndex) + ")";
    const std::string unusable = "Window has no usable bounds (is it minimized?)";
    const auto position = getPosition(*window);
    if (!position) return unusable;
    const auto size = getSize(*window);
    if (!size) return unusable;
    // Written so that not-a-number fails as well.
    if (!(size->width > 0) || !(size->height > 0)) return unusable;
    const platform::Rect rect{position->x, position->y, size->width, size->height};
    if (!hasIntegerForm(rect)) return unusable;
    return rect;
}

}  // namespace

CommandResult runScreenshot(const Arguments& arguments) {
    const Target target = scanArguments(arguments);

    std::string scope;
    platform::Rect rect;
    if (target.pid > 0) {
        auto found = windowRectangle(target);
        if (const auto* message = std::get_if<std::string>(&found)) return errorExit(*message);
        scope = "window";
        rect = std::get<platform::Rect>(found);
    } else {
        scope = "screen";
        rect = virtualScreenBounds();
        // Real displays never give this, but a broken one must not make
        // the truncation below undefined.
        const platform::Rect extent{rect.x, rect.y, rectangleWidth(rect), rectangleHeight(rect)};
        if (!hasIntegerForm(extent))
            return errorExit("Screen bounds are not usable (a display reported a non-finite or out-of-range rectangle)");
    }

    const double width = rectangleWidth(rect);
    const double height = rectangleHeight(rect);
    const std::int64_t reportedWidth = *truncateToInt64(width);
    const std::int64_t reportedHeight = *truncateToInt64(height);
    if (width <= 0 || height <= 0)
        return errorExit("Nothing to capture (computed size " + std::to_string(reportedWidth) + "x" +
                         std::to_string(reportedHeight) + ")");

    auto captured = captureRectToPNG(rect);
    if (const auto* failure = std::get_if<CaptureFailure>(&captured)) return errorExit("Capture failed (" + failure->reason + ")");

    JsonObject answer;
    answer.set("success", true);
    answer.set("path", std::move(std::get<std::string>(captured)));
    answer.set("scope", scope);
    answer.set("x", *truncateToInt64(rect.x));
    answer.set("y", *truncateToInt64(rect.y));
    answer.set("width", reportedWidth);
    answer.set("height", reportedHeight);
    return completed(json(answer));
}
