// Captured frames into layout images: pixel formats, row order, padding,
// composition of outputs with uncovered area black, and reduction of
// scaled outputs to layout units.
#include "platform/linux/wayland/frame.h"

#include <gtest/gtest.h>
#include <wayland-client-protocol.h>

#include <array>
#include <vector>

namespace {

using platform::Image;
using platform::wayland::Frame;
using platform::PixelBox;
using platform::wayland::PixelOrder;

using Rgb = std::array<std::uint8_t, 3>;

// A frame buffer whose pixel (x, y) is the colour f(x, y), in the given
// byte order, with padding at the end of each row.
struct TestFrame {
    std::vector<std::uint8_t> bytes;
    Frame frame;

    TestFrame(std::uint32_t width, std::uint32_t height, PixelOrder order, bool yInverted, Rgb (*f)(int, int)) {
        const std::uint32_t stride = width * 4 + 8;
        bytes.assign(static_cast<std::size_t>(stride) * height, 0xEE);
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::uint32_t x = 0; x < width; ++x) {
                const Rgb c = f(static_cast<int>(x), static_cast<int>(y));
                const std::uint32_t row = yInverted ? height - 1 - y : y;
                std::uint8_t* p = &bytes[row * stride + x * 4];
                if (order == PixelOrder::bgrx) {
                    p[0] = c[2], p[1] = c[1], p[2] = c[0];
                } else {
                    p[0] = c[0], p[1] = c[1], p[2] = c[2];
                }
                p[3] = 0x7F;
            }
        frame = Frame{bytes.data(), width, height, stride, order, yInverted};
    }
};

Image blankImage(const PixelBox& area) {
    Image image;
    image.width = static_cast<std::uint32_t>(area.width());
    image.height = static_cast<std::uint32_t>(area.height());
    image.rgb.assign(static_cast<std::size_t>(image.width) * image.height * 3, 0);
    return image;
}

Rgb at(const Image& image, int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * image.width + x) * 3;
    return {image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]};
}

Rgb gradient(int x, int y) { return {static_cast<std::uint8_t>(x * 10), static_cast<std::uint8_t>(y * 10), 200}; }

TEST(WaylandFrame, FormatsTheCompositorOffersAreRead) {
    EXPECT_EQ(platform::wayland::pixelOrderOf(WL_SHM_FORMAT_XRGB8888), PixelOrder::bgrx);
    EXPECT_EQ(platform::wayland::pixelOrderOf(WL_SHM_FORMAT_ARGB8888), PixelOrder::bgrx);
    EXPECT_EQ(platform::wayland::pixelOrderOf(WL_SHM_FORMAT_XBGR8888), PixelOrder::rgbx);
    EXPECT_EQ(platform::wayland::pixelOrderOf(WL_SHM_FORMAT_ABGR8888), PixelOrder::rgbx);
    EXPECT_FALSE(platform::wayland::pixelOrderOf(WL_SHM_FORMAT_RGB565));
}

TEST(WaylandFrame, EveryOrderAndRowDirectionGivesTheSamePicture) {
    const PixelBox area{0, 0, 6, 4};
    for (const PixelOrder order : {PixelOrder::bgrx, PixelOrder::rgbx})
        for (const bool inverted : {false, true}) {
            const TestFrame source(6, 4, order, inverted, gradient);
            Image image = blankImage(area);
            platform::wayland::drawFrame(image, area, source.frame, area);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 6; ++x) EXPECT_EQ(at(image, x, y), gradient(x, y)) << x << "," << y;
        }
}

TEST(WaylandFrame, OutputsComposeIntoTheRequestedAreaAndTheRestStaysBlack) {
    // Two outputs side by side, 4x3 at 0,0 and 2x2 at 4,0 (nothing below
    // it); the image asks for 1,1 .. 6,3 (5x2).
    const PixelBox area{1, 1, 6, 3};
    Image image = blankImage(area);
    const TestFrame left(3, 2, PixelOrder::bgrx, false, [](int x, int y) {
        return Rgb{1, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y)};
    });
    const TestFrame right(2, 1, PixelOrder::rgbx, false, [](int x, int) {
        return Rgb{2, static_cast<std::uint8_t>(x), 0};
    });
    // Each frame shows the part of its output inside the area.
    platform::wayland::drawFrame(image, area, left.frame, PixelBox{1, 1, 4, 3});
    platform::wayland::drawFrame(image, area, right.frame, PixelBox{4, 1, 6, 2});
    EXPECT_EQ(at(image, 0, 0), (Rgb{1, 0, 0}));
    EXPECT_EQ(at(image, 2, 1), (Rgb{1, 2, 1}));
    EXPECT_EQ(at(image, 3, 0), (Rgb{2, 0, 0}));
    EXPECT_EQ(at(image, 4, 0), (Rgb{2, 1, 0}));
    EXPECT_EQ(at(image, 3, 1), (Rgb{0, 0, 0}));  // below the smaller output
    EXPECT_EQ(at(image, 4, 1), (Rgb{0, 0, 0}));
}

TEST(WaylandFrame, ScaledFramesAreReducedToLayoutPixelsByAveraging) {
    // A scale-2 output: each layout pixel is 2x2 device pixels.
    const TestFrame doubled(4, 2, PixelOrder::bgrx, false, [](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x < 2 ? 10 * (x + y) : 200), static_cast<std::uint8_t>(x * 50), 7};
    });
    const PixelBox area{10, 20, 12, 21};
    Image image = blankImage(area);
    platform::wayland::drawFrame(image, area, doubled.frame, area);
    EXPECT_EQ(image.width, 2U);
    EXPECT_EQ(at(image, 0, 0), (Rgb{10, 25, 7}));  // (0+10+10+20)/4, (0+50+0+50)/4
    EXPECT_EQ(at(image, 1, 0), (Rgb{200, 125, 7}));

    // Scale 1.5: 3x3 device pixels make 2x2 layout pixels; a solid frame
    // stays solid and every layout pixel is written.
    const TestFrame fractional(3, 3, PixelOrder::rgbx, true, [](int, int) { return Rgb{90, 60, 30}; });
    const PixelBox small{0, 0, 2, 2};
    Image reduced = blankImage(small);
    platform::wayland::drawFrame(reduced, small, fractional.frame, small);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(at(reduced, x, y), (Rgb{90, 60, 30}));
}

TEST(WaylandFrame, PixelBoxesWidenToWholePixelsAndRefuseNonsense) {
    EXPECT_EQ(platform::pixelBoxOf({0.5, -1.5, 10, 2}), (PixelBox{0, -2, 11, 1}));
    EXPECT_FALSE(platform::pixelBoxOf({0, 0, 0.0, 5}));
    EXPECT_FALSE(platform::pixelBoxOf({0, 0, 40000, 5}));
    EXPECT_FALSE(platform::pixelBoxOf({0, 0, std::numeric_limits<double>::infinity(), 5}));
}

}  // namespace
