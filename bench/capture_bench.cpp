// Screen capture and PNG encoding on the real X11 backend: a 1280x800
// capture plus encoding must stay well under 100 ms. The encoder settings
// (zlib level and row filter) are compared on the captured screen, the
// content screenshots really hold. Run it on a desktop with windows open,
// e.g. through bench/capture_bench.sh.
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <optional>

#include "platform/capture.h"
#include "platform/png/settings.h"

namespace {

constexpr platform::Rect captureArea{0, 0, 1280, 800};

const std::optional<platform::Image>& screenImage() {
    static const std::optional<platform::Image> image = platform::captureScreenImage(captureArea);
    return image;
}

void encodeWith(benchmark::State& state, const platform::Image& image) {
    const platform::PngSettings settings{static_cast<int>(state.range(0)), static_cast<int>(state.range(1))};
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto png = platform::encodePngWith(image, settings);
        bytes = png ? png->size() : 0;
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["kB"] = static_cast<double>(bytes) / 1024.0;
}

void captureOnly(benchmark::State& state) {
    for (auto _ : state) {
        auto image = platform::captureScreenImage(captureArea);
        if (!image) {
            state.SkipWithError("no X display to capture (set DISPLAY)");
            break;
        }
        benchmark::DoNotOptimize(image->rgb.data());
    }
}
BENCHMARK(captureOnly)->Unit(benchmark::kMillisecond);

// A photograph stands in for a wallpaper or an image viewer: smooth
// gradients with fine grain, the content where row filters matter most.
platform::Image photoLikeImage() {
    platform::Image image{1280, 800, {}};
    image.rgb.resize(1280 * 800 * 3);
    std::uint32_t grain = 12345;
    for (std::uint32_t y = 0; y < image.height; ++y)
        for (std::uint32_t x = 0; x < image.width; ++x) {
            grain = grain * 1103515245 + 12345;
            const int noise = static_cast<int>((grain >> 16) % 9) - 4;
            std::uint8_t* pixel = image.rgb.data() + (y * image.width + x) * 3;
            pixel[0] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(x * 200 / 1280) + 30 + noise, 0, 255));
            pixel[1] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(y * 180 / 800) + 40 + noise, 0, 255));
            pixel[2] = static_cast<std::uint8_t>(std::clamp(static_cast<int>((x + y) * 120 / 2080) + 90 + noise, 0, 255));
        }
    return image;
}

// Arguments: zlib level, libpng filter bits.
void encodeScreenWith(benchmark::State& state) {
    const auto& image = screenImage();
    if (!image) {
        state.SkipWithError("no X display to capture (set DISPLAY)");
        return;
    }
    encodeWith(state, *image);
}

void encodePhotoWith(benchmark::State& state) {
    static const platform::Image image = photoLikeImage();
    encodeWith(state, image);
}

void registerSettings(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"level", "filter"})
        ->ArgsProduct({{1, 3, 6, 9},
                       {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_PAETH, PNG_ALL_FILTERS}})
        ->Unit(benchmark::kMillisecond);
}
BENCHMARK(encodeScreenWith)->Apply(registerSettings);
BENCHMARK(encodePhotoWith)->Apply(registerSettings);

// What one screenshot costs with the chosen settings.
void captureAndEncode(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto image = platform::captureScreenImage(captureArea);
        if (!image) {
            state.SkipWithError("no X display to capture (set DISPLAY)");
            break;
        }
        auto png = platform::encodePng(*image);
        bytes = png ? png->size() : 0;
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["kB"] = static_cast<double>(bytes) / 1024.0;
}
BENCHMARK(captureAndEncode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
