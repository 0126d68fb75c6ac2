// Declarations of the ImageIO symbols tavik-ax uses (PNG encoding),
// written for this project from Apple's public documentation. Not Apple's header.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGImageDestination* CGImageDestinationRef;
CGImageDestinationRef CGImageDestinationCreateWithData(CFMutableDataRef data, CFStringRef type, size_t count,
                                                       CFDictionaryRef options);
void CGImageDestinationAddImage(CGImageDestinationRef idst, CGImageRef image, CFDictionaryRef properties);
bool CGImageDestinationFinalize(CGImageDestinationRef idst);

#ifdef __cplusplus
}
#endif
