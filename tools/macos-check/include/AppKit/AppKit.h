// Declarations of the AppKit classes tavik-ax uses (the running
// applications), written for this project from Apple's public
// documentation. Not Apple's header.
#pragma once

#import <Foundation/Foundation.h>
#include <sys/types.h>

typedef NSInteger NSApplicationActivationPolicy;
enum {
    NSApplicationActivationPolicyRegular = 0,
    NSApplicationActivationPolicyAccessory = 1,
    NSApplicationActivationPolicyProhibited = 2,
};

typedef NSUInteger NSApplicationActivationOptions;
enum {
    NSApplicationActivateAllWindows = 1 << 0,
};

@interface NSRunningApplication : NSObject
@property(readonly) NSApplicationActivationPolicy activationPolicy;
@property(readonly, copy) NSString* localizedName;
@property(readonly) pid_t processIdentifier;
@property(readonly, copy) NSURL* bundleURL;
@property(readonly, getter=isActive) BOOL active;
+ (instancetype)runningApplicationWithProcessIdentifier:(pid_t)pid;
- (BOOL)activateWithOptions:(NSApplicationActivationOptions)options;
@end

@interface NSWorkspace : NSObject
@property(class, readonly, strong) NSWorkspace* sharedWorkspace;
@property(readonly, copy) NSArray<NSRunningApplication*>* runningApplications;
@property(readonly, strong) NSRunningApplication* frontmostApplication;
@end
