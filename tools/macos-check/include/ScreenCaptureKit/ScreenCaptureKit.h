// Declarations of the ScreenCaptureKit classes tavik-ax uses (one picture
// of a display), written for this project from Apple's public
// documentation. Not Apple's header.
#pragma once

#import <Foundation/Foundation.h>
#include <CoreGraphics/CoreGraphics.h>

TAVIK_STUB_MACOS(12.3)
@interface SCDisplay : NSObject
@property(readonly) CGDirectDisplayID displayID;
@property(readonly) NSInteger width;
@property(readonly) NSInteger height;
@property(readonly) CGRect frame;
@end

TAVIK_STUB_MACOS(12.3)
@interface SCWindow : NSObject
@end

TAVIK_STUB_MACOS(12.3)
@interface SCShareableContent : NSObject
+ (void)getShareableContentWithCompletionHandler:(void (^)(SCShareableContent* shareableContent,
                                                           NSError* error))completionHandler;
@property(readonly) NSArray<SCDisplay*>* displays;
@end

TAVIK_STUB_MACOS(12.3)
@interface SCContentFilter : NSObject
- (instancetype)initWithDisplay:(SCDisplay*)display excludingWindows:(NSArray<SCWindow*>*)excluded;
@end

TAVIK_STUB_MACOS(12.3)
@interface SCStreamConfiguration : NSObject
@property size_t width;
@property size_t height;
@property CGRect sourceRect;
@property BOOL showsCursor;
@end

TAVIK_STUB_MACOS(14.0)
@interface SCScreenshotManager : NSObject
+ (void)captureImageWithFilter:(SCContentFilter*)contentFilter
                 configuration:(SCStreamConfiguration*)config
             completionHandler:(void (^)(CGImageRef sampleBuffer, NSError* error))completionHandler;
@end
