#include "platform/macos/cg/image_pixels.h"

#include <vector>

#include "platform/macos/cf_owned.h"

namespace platform::macos {

std::optional<Image> pixelsOf(CGImageRef image) {
    if (!image) return std::nullopt;
    const std::size_t width = CGImageGetWidth(image);
    const std::size_t height = CGImageGetHeight(image);
    if (width == 0 || height == 0 || width > 65535 || height > 65535) return std::nullopt;
    std::vector<std::uint8_t> rgbx(width * height * 4, 0);
    CfOwned<CGColorSpaceRef> space(CGColorSpaceCreateDeviceRGB());
    if (!space) return std::nullopt;
    CfOwned<CGContextRef> context(CGBitmapContextCreate(rgbx.data(), width, height, 8, width * 4, space.get(),
                                                        kCGImageAlphaNoneSkipLast | kCGBitmapByteOrder32Big));
    if (!context) return std::nullopt;
    CGContextDrawImage(context.get(), CGRectMake(0, 0, static_cast<CGFloat>(width), static_cast<CGFloat>(height)),
                       image);
    Image out;
    out.width = static_cast<std::uint32_t>(width);
    out.height = static_cast<std::uint32_t>(height);
    out.rgb.resize(width * height * 3);
    for (std::size_t i = 0, n = width * height; i < n; ++i) {
        out.rgb[i * 3] = rgbx[i * 4];
        out.rgb[i * 3 + 1] = rgbx[i * 4 + 1];
        out.rgb[i * 3 + 2] = rgbx[i * 4 + 2];
    }
    return out;
}

double pixelsPerPoint(CGDirectDisplayID display) {
    CGDisplayModeRef mode = CGDisplayCopyDisplayMode(display);
    if (!mode) return 1;
    const std::size_t pixels = CGDisplayModeGetPixelWidth(mode);
    const std::size_t points = CGDisplayModeGetWidth(mode);
    CGDisplayModeRelease(mode);
    return points > 0 && pixels >= points ? static_cast<double>(pixels) / static_cast<double>(points) : 1;
}

}  // namespace platform::macos
