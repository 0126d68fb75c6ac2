#import <AppKit/AppKit.h>

#include "platform/macos/appkit/frontmost.h"

namespace platform::macos {

std::optional<std::int32_t> frontmostApplicationPid() {
    @autoreleasepool {
        NSRunningApplication* front = NSWorkspace.sharedWorkspace.frontmostApplication;
        if (!front) return std::nullopt;
        return front.processIdentifier;
    }
}

bool bringApplicationForward(std::int32_t pid) {
    @autoreleasepool {
        NSRunningApplication* application = [NSRunningApplication runningApplicationWithProcessIdentifier:pid];
        return application && [application activateWithOptions:NSApplicationActivateAllWindows];
    }
}

}  // namespace platform::macos
