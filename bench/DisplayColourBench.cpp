// What showing a Display P3 photo colour-managed adds to each paint: Little
// CMS's transform from the photo's profile to sRGB over a view-sized area,
// row by row as the canvases call it. The whole window (1920 x 1080) is
// converted on the rows' threads, as the view paints it; a dialog pane
// (360 x 331) on one thread, as the panes paint. The input is photo-like
// 32-bit pixels, copied fresh (untimed) before every iteration, since the
// transform converts in place. Little CMS's own code runs whatever kernel
// target is set; run it with --benchmark_repetitions=5 for the best of five.
#include <algorithm>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/PlaneOps.h"
#include "image/DisplayColour.h"
#include "support/ColourProfiles.h"
#include "support/TestImages.h"

namespace {

// A photo-like picture as 32-bit blue, green, red, unused pixels.
std::vector<std::uint8_t> bgrxPicture(int width, int height)
{
    const ImagePlanes photo = testsupport::photoLikeImage(width, height, 1);
    std::vector<std::uint8_t> pixels(4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* source = photo.current.data() + static_cast<std::size_t>(y) * photo.stride() + 3 * x;
            std::copy_n(source, 3, pixels.data() + 4 * (static_cast<std::size_t>(y) * width + x));
        }
    }
    return pixels;
}

void convertArea(benchmark::State& state, int width, int height, bool parallel)
{
    const auto transform = display::transformFor(testsupport::displayP3Profile());
    if (!transform) {
        state.SkipWithError("no transform from Display P3 to sRGB");
        return;
    }
    const std::vector<std::uint8_t> input = bgrxPicture(width, height);
    std::vector<std::uint8_t> shown(input.size());
    const std::size_t rowBytes = 4 * static_cast<std::size_t>(width);
    const auto convertRow = [&](std::int32_t row) {
        transform->convertBgrx(shown.data() + static_cast<std::size_t>(row) * rowBytes, static_cast<std::size_t>(width));
    };
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(input.begin(), input.end(), shown.begin());
        state.ResumeTiming();
        if (parallel) {
            parallelRows(0, height - 1, convertRow);
        } else {
            for (std::int32_t row = 0; row < height; ++row) {
                convertRow(row);
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}

BENCHMARK_CAPTURE(convertArea, window_1920x1080_rowThreads, 1920, 1080, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(convertArea, window_1920x1080_oneThread, 1920, 1080, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(convertArea, pane_360x331_oneThread, 360, 331, false)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
