// The running applications through AppKit's workspace.
#import <AppKit/AppKit.h>

#include "platform/applications.h"
#include "platform/macos/appkit/bundle_path.h"

namespace platform {

std::vector<RunningApplication> runningApplications() {
    std::vector<RunningApplication> applications;
    @autoreleasepool {
        for (NSRunningApplication* application in NSWorkspace.sharedWorkspace.runningApplications) {
            RunningApplication entry;
            switch (application.activationPolicy) {
                case NSApplicationActivationPolicyRegular:
                    entry.policy = ActivationPolicy::regular;
                    break;
                case NSApplicationActivationPolicyAccessory:
                    entry.policy = ActivationPolicy::accessory;
                    break;
                default:
                    entry.policy = ActivationPolicy::prohibited;
                    break;
            }
            NSString* name = application.localizedName;
            if (name && name.UTF8String) entry.localizedName = std::string(name.UTF8String);
            entry.pid = application.processIdentifier;
            applications.push_back(std::move(entry));
        }
    }
    return applications;
}

std::optional<std::string> applicationPathForPid(std::int32_t pid) {
    @autoreleasepool {
        NSRunningApplication* application = [NSRunningApplication runningApplicationWithProcessIdentifier:pid];
        NSString* path = application.bundleURL.path;
        if (path && path.UTF8String) return std::string(path.UTF8String);
    }
    // A process that AppKit does not list as an application (or one without
    // a bundle URL) may still run from inside a bundle.
    return macos::bundlePathOfProcess(pid);
}

}  // namespace platform
