// Screen capture: ScreenCaptureKit's screenshots of each display (macOS 14
// and later), cut and put together in plain C++; the window-list picture
// only for older systems, where it still exists.
#import <ScreenCaptureKit/ScreenCaptureKit.h>
#include <dispatch/dispatch.h>

#include "platform/capture.h"
#include "platform/macos/cg/capture_composition.h"
#include "platform/macos/cg/image_pixels.h"

namespace platform {
namespace {

// How long one answer of the capture service may take.
constexpr std::int64_t kCaptureWaitNanoseconds = 5LL * 1000 * 1000 * 1000;

bool waitFor(dispatch_semaphore_t done) {
    return dispatch_semaphore_wait(done, dispatch_time(DISPATCH_TIME_NOW, kCaptureWaitNanoseconds)) == 0;
}

bool intersects(CGRect a, CGRect b) {
    return a.origin.x < b.origin.x + b.size.width && b.origin.x < a.origin.x + a.size.width &&
           a.origin.y < b.origin.y + b.size.height && b.origin.y < a.origin.y + a.size.height;
}

__attribute__((availability(macos, introduced = 14.0))) std::optional<Image> captureWithScreenCaptureKit(Rect rect) {
    const CGRect wanted = CGRectMake(rect.x, rect.y, rect.width, rect.height);
    std::vector<macos::DisplayPicture> pictures;
    @autoreleasepool {
        __block SCShareableContent* content = nil;
        dispatch_semaphore_t listed = dispatch_semaphore_create(0);
        [SCShareableContent getShareableContentWithCompletionHandler:^(SCShareableContent* shareable, NSError*) {
          content = shareable;
          dispatch_semaphore_signal(listed);
        }];
        // Without the Screen Recording permission the list does not come.
        if (!waitFor(listed) || !content) return std::nullopt;

        for (SCDisplay* display in content.displays) {
            const CGRect bounds = CGDisplayBounds(display.displayID);
            if (!intersects(bounds, wanted)) continue;
            const double scale = macos::pixelsPerPoint(display.displayID);
            SCContentFilter* filter = [[SCContentFilter alloc] initWithDisplay:display excludingWindows:@[]];
            SCStreamConfiguration* configuration = [[SCStreamConfiguration alloc] init];
            configuration.width = static_cast<size_t>(bounds.size.width * scale);
            configuration.height = static_cast<size_t>(bounds.size.height * scale);
            configuration.showsCursor = NO;

            __block CGImageRef shot = nullptr;
            dispatch_semaphore_t taken = dispatch_semaphore_create(0);
            [SCScreenshotManager captureImageWithFilter:filter
                                          configuration:configuration
                                      completionHandler:^(CGImageRef image, NSError*) {
                                        if (image) shot = static_cast<CGImageRef>(const_cast<void*>(CFRetain(image)));
                                        dispatch_semaphore_signal(taken);
                                      }];
            if (!waitFor(taken) || !shot) return std::nullopt;
            auto pixels = macos::pixelsOf(shot);
            CGImageRelease(shot);
            if (!pixels) return std::nullopt;
            pictures.push_back({Rect{bounds.origin.x, bounds.origin.y, bounds.size.width, bounds.size.height},
                                std::move(*pixels)});
        }
    }
    if (pictures.empty()) return std::nullopt;
    return macos::composeCapture(rect, pictures);
}

#if __ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__ < 150000
// Systems before macOS 14: one picture of everything on screen inside the
// rectangle, at the displays' best resolution. Deprecated from macOS 14 and
// gone from macOS 15, so only builds that still run on older systems have it.
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wdeprecated-declarations"
std::optional<Image> captureWithWindowList(Rect rect) {
    CGImageRef image = CGWindowListCreateImage(CGRectMake(rect.x, rect.y, rect.width, rect.height),
                                               kCGWindowListOptionOnScreenOnly, kCGNullWindowID,
                                               kCGWindowImageBestResolution);
    if (!image) return std::nullopt;
    auto pixels = macos::pixelsOf(image);
    CGImageRelease(image);
    return pixels;
}
#pragma clang diagnostic pop
#endif

}  // namespace

std::string captureFailureReason() { return "macOS Screen Recording permission may be required"; }

std::optional<Image> captureScreenImage(Rect rect) {
    if (@available(macOS 14.0, *)) return captureWithScreenCaptureKit(rect);
#if __ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__ < 150000
    return captureWithWindowList(rect);
#else
    return std::nullopt;
#endif
}

}  // namespace platform
