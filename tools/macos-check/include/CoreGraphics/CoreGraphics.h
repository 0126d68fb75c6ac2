// Declarations of the Core Graphics symbols tavik-ax uses, written for
// this project from Apple's public documentation. Not Apple's header.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef double CGFloat;
typedef struct CGPoint {
    CGFloat x;
    CGFloat y;
} CGPoint;
typedef struct CGSize {
    CGFloat width;
    CGFloat height;
} CGSize;
typedef struct CGRect {
    CGPoint origin;
    CGSize size;
} CGRect;

extern const CGRect CGRectNull;
CGRect CGRectUnion(CGRect r1, CGRect r2);
CGRect CGRectIntersection(CGRect r1, CGRect r2);
bool CGRectIsNull(CGRect rect);
bool CGRectIsEmpty(CGRect rect);
CGFloat CGRectGetWidth(CGRect rect);
CGFloat CGRectGetHeight(CGRect rect);
static inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
    CGRect rect = {{x, y}, {width, height}};
    return rect;
}

typedef int32_t CGError;
enum { kCGErrorSuccess = 0 };

// Displays.
typedef uint32_t CGDirectDisplayID;
typedef struct CGDisplayMode* CGDisplayModeRef;
CGError CGGetActiveDisplayList(uint32_t maxDisplays, CGDirectDisplayID* activeDisplays, uint32_t* displayCount);
CGRect CGDisplayBounds(CGDirectDisplayID display);
CGDirectDisplayID CGMainDisplayID(void);
CGDisplayModeRef CGDisplayCopyDisplayMode(CGDirectDisplayID display);
size_t CGDisplayModeGetPixelWidth(CGDisplayModeRef mode);
size_t CGDisplayModeGetWidth(CGDisplayModeRef mode);
void CGDisplayModeRelease(CGDisplayModeRef mode);

// Events.
typedef struct __CGEvent* CGEventRef;
typedef struct __CGEventSource* CGEventSourceRef;
typedef uint16_t CGKeyCode;
typedef uint64_t CGEventFlags;
enum {
    kCGEventFlagMaskShift = 0x00020000,
    kCGEventFlagMaskControl = 0x00040000,
    kCGEventFlagMaskAlternate = 0x00080000,
    kCGEventFlagMaskCommand = 0x00100000,
};
typedef uint32_t CGEventType;
enum {
    kCGEventNull = 0,
    kCGEventLeftMouseDown = 1,
    kCGEventLeftMouseUp = 2,
    kCGEventRightMouseDown = 3,
    kCGEventRightMouseUp = 4,
    kCGEventMouseMoved = 5,
    kCGEventLeftMouseDragged = 6,
    kCGEventKeyDown = 10,
    kCGEventKeyUp = 11,
    kCGEventScrollWheel = 22,
    kCGEventOtherMouseDown = 25,
    kCGEventOtherMouseUp = 26,
};
typedef uint32_t CGMouseButton;
enum { kCGMouseButtonLeft = 0, kCGMouseButtonRight = 1, kCGMouseButtonCenter = 2 };
typedef uint32_t CGEventTapLocation;
enum { kCGHIDEventTap = 0, kCGSessionEventTap = 1, kCGAnnotatedSessionEventTap = 2 };
typedef uint32_t CGScrollEventUnit;
enum { kCGScrollEventUnitPixel = 0, kCGScrollEventUnitLine = 1 };
typedef uint32_t CGEventField;
enum { kCGMouseEventClickState = 1 };

CGEventRef CGEventCreate(CGEventSourceRef source);
CGEventRef CGEventCreateMouseEvent(CGEventSourceRef source, CGEventType mouseType, CGPoint mouseCursorPosition,
                                   CGMouseButton mouseButton);
CGEventRef CGEventCreateKeyboardEvent(CGEventSourceRef source, CGKeyCode virtualKey, bool keyDown);
CGEventRef CGEventCreateScrollWheelEvent2(CGEventSourceRef source, CGScrollEventUnit units, uint32_t wheelCount,
                                          int32_t wheel1, int32_t wheel2, int32_t wheel3) TAVIK_STUB_MACOS(10.13);
void CGEventKeyboardSetUnicodeString(CGEventRef event, UniCharCount stringLength, const UniChar* unicodeString);
void CGEventSetIntegerValueField(CGEventRef event, CGEventField field, int64_t value);
void CGEventSetFlags(CGEventRef event, CGEventFlags flags);
CGPoint CGEventGetLocation(CGEventRef event);
void CGEventPost(CGEventTapLocation tap, CGEventRef event);

// Images and bitmap contexts.
typedef struct CGImage* CGImageRef;
typedef struct CGColorSpace* CGColorSpaceRef;
typedef struct CGContext* CGContextRef;
typedef struct CGDataProvider* CGDataProviderRef;
typedef uint32_t CGBitmapInfo;
enum {
    kCGImageAlphaNone = 0,
    kCGImageAlphaNoneSkipLast = 5,
    kCGBitmapByteOrderDefault = 0,
    kCGBitmapByteOrder32Big = 4 << 12,
};
typedef int32_t CGColorRenderingIntent;
enum { kCGRenderingIntentDefault = 0 };

size_t CGImageGetWidth(CGImageRef image);
size_t CGImageGetHeight(CGImageRef image);
void CGImageRelease(CGImageRef image);
CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef provider, const CGFloat* decode, bool shouldInterpolate,
                         CGColorRenderingIntent intent);
CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void);
void CGColorSpaceRelease(CGColorSpaceRef space);
CGDataProviderRef CGDataProviderCreateWithCFData(CFDataRef data);
void CGDataProviderRelease(CGDataProviderRef provider);
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space, uint32_t bitmapInfo);
void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image);
void CGContextRelease(CGContextRef context);

// Windows.
typedef uint32_t CGWindowID;
typedef uint32_t CGWindowListOption;
enum {
    kCGWindowListOptionAll = 0,
    kCGWindowListOptionOnScreenOnly = 1 << 0,
    kCGWindowListExcludeDesktopElements = 1 << 4,
};
typedef uint32_t CGWindowImageOption;
enum { kCGWindowImageDefault = 0, kCGWindowImageBestResolution = 1 << 3 };
enum { kCGNullWindowID = 0 };
extern const CFStringRef kCGWindowOwnerPID;
extern const CFStringRef kCGWindowLayer;
extern const CFStringRef kCGWindowBounds;
CFArrayRef CGWindowListCopyWindowInfo(CGWindowListOption option, CGWindowID relativeToWindow);
bool CGRectMakeWithDictionaryRepresentation(CFDictionaryRef dict, CGRect* rect);
CGImageRef CGWindowListCreateImage(CGRect screenBounds, CGWindowListOption listOption, CGWindowID windowID,
                                   CGWindowImageOption imageOption)
    TAVIK_STUB_MACOS_OBSOLETED(10.5, 14.0, 15.0, "Please use ScreenCaptureKit instead.");

// Screen capture access (the Screen Recording permission).
bool CGPreflightScreenCaptureAccess(void) TAVIK_STUB_MACOS(10.15);

#ifdef __cplusplus
}
#endif
