// Declarations of the few Foundation classes and functions tavik-ax uses,
// written for this project from Apple's public documentation. Not Apple's
// header. The root class comes from the Objective-C runtime's own header.
#pragma once

#import <objc/NSObject.h>
#include <CoreFoundation/CoreFoundation.h>

#include "CoreFoundation/TavikStubAvailability.h"

typedef struct {
    unsigned long state;
    id __unsafe_unretained* itemsPtr;
    unsigned long* mutationsPtr;
    unsigned long extra[5];
} NSFastEnumerationState;

@protocol NSFastEnumeration
- (NSUInteger)countByEnumeratingWithState:(NSFastEnumerationState*)state
                                  objects:(id __unsafe_unretained[])buffer
                                    count:(NSUInteger)len;
@end

@interface NSString : NSObject
@property(readonly) const char* UTF8String;
@end

@interface NSArray<ObjectType> : NSObject <NSFastEnumeration>
@property(readonly) NSUInteger count;
- (ObjectType)objectAtIndexedSubscript:(NSUInteger)index;
// What an array literal (@[...]) is made with.
+ (instancetype)arrayWithObjects:(const ObjectType _Nonnull[_Nonnull])objects count:(NSUInteger)count;
@end

@interface NSURL : NSObject
@property(readonly, copy) NSString* path;
@end

@interface NSError : NSObject
@property(readonly, copy) NSString* localizedDescription;
@end

#ifdef __cplusplus
extern "C" {
#endif
NSString* NSTemporaryDirectory(void);
#ifdef __cplusplus
}
#endif
