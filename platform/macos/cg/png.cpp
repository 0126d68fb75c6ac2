// PNG encoding through ImageIO, which every Mac has.
#include <ImageIO/ImageIO.h>

#include "platform/capture.h"
#include "platform/macos/cf_owned.h"

namespace platform {

std::optional<std::vector<std::uint8_t>> encodePng(const Image& image) {
    using macos::CfOwned;
    if (image.width == 0 || image.height == 0 ||
        image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
        return std::nullopt;
    }
    CfOwned<CFDataRef> pixels(
        CFDataCreate(kCFAllocatorDefault, image.rgb.data(), static_cast<CFIndex>(image.rgb.size())));
    CfOwned<CGDataProviderRef> provider(pixels ? CGDataProviderCreateWithCFData(pixels.get()) : nullptr);
    CfOwned<CGColorSpaceRef> space(CGColorSpaceCreateDeviceRGB());
    if (!provider || !space) return std::nullopt;
    CfOwned<CGImageRef> picture(CGImageCreate(image.width, image.height, 8, 24, static_cast<std::size_t>(image.width) * 3,
                                              space.get(), kCGImageAlphaNone | kCGBitmapByteOrderDefault,
                                              provider.get(), nullptr, false, kCGRenderingIntentDefault));
    CfOwned<CFMutableDataRef> png(CFDataCreateMutable(kCFAllocatorDefault, 0));
    if (!picture || !png) return std::nullopt;
    CfOwned<CGImageDestinationRef> destination(CGImageDestinationCreateWithData(png.get(), CFSTR("public.png"), 1, nullptr));
    if (!destination) return std::nullopt;
    CGImageDestinationAddImage(destination.get(), picture.get(), nullptr);
    if (!CGImageDestinationFinalize(destination.get())) return std::nullopt;
    const std::uint8_t* bytes = CFDataGetBytePtr(png.get());
    const CFIndex length = CFDataGetLength(png.get());
    if (!bytes || length <= 0) return std::nullopt;
    return std::vector<std::uint8_t>(bytes, bytes + length);
}

}  // namespace platform
