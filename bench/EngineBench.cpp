// Speed of the filter engine on a 24-megapixel photo-like image at the
// parameters the effect modes use, in megapixels per second, next to the
// naive reference timed on a smaller photo-like crop (per pixel the two
// compare directly; the crop is larger than every window it is timed with).
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/BrightDarkSharpen.h"
#include "engine/ComposeWithScratch.h"
#include "engine/GaussianBlur.h"
#include "engine/TriangleBlur.h"
#include "engine/UnsharpMask.h"
#include "BenchSupport.h"
#include "reference/ReferenceEngine.h"
#include "support/TestImages.h"

namespace {

using bench::Operation;
using bench::photo;
using bench::timeOn;

// A square crop at least twice the window, so that clipping at the edges
// does not flatter the reference.
ImagePlanes crop(int radius)
{
    const int side = std::max(256, 4 * radius + 2);
    return testsupport::photoLikeImage(side, side, 2);
}

// Registers the engine's operation on the photo and the reference's on a crop.
void registerPair(const std::string& name, int radius, Operation engine, Operation naive)
{
    benchmark::RegisterBenchmark(("Engine/" + name).c_str(),
                                 [engine](benchmark::State& state) { timeOn(state, photo(), engine); })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Reference/" + name).c_str(),
                                 [radius, naive](benchmark::State& state) {
                                     ImagePlanes image = crop(radius);
                                     timeOn(state, image, naive);
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

const int kRegistered = [] {
    for (const double sigma : {1.0, 10.0, 100.0}) {
        const std::string tag = "/sigma:" + std::to_string(static_cast<int>(sigma));
        const int radius = static_cast<int>(3 * sigma);
        registerPair(
            "gaussianBlurRows" + tag, radius, [sigma](ImagePlanes& image) { gaussianBlurRows(image, sigma); },
            [sigma](ImagePlanes& image) { reference::gaussianBlurRows(image, sigma); });
        registerPair(
            "gaussianBlurColumns" + tag, radius, [sigma](ImagePlanes& image) { gaussianBlurColumns(image, sigma); },
            [sigma](ImagePlanes& image) { reference::gaussianBlurColumns(image, sigma); });
    }
    for (const int radius : {1, 6, 11}) {
        const std::string tag = "/radius:" + std::to_string(radius);
        // Divisor 1 is the triangle of "くっきり", divisor radius the box of "ピント修正".
        const std::vector<int> divisors = radius == 1 ? std::vector<int>{1} : std::vector<int>{1, radius};
        for (const int divisor : divisors) {
            const std::string both = tag + "/divisor:" + std::to_string(divisor);
            registerPair(
                "triangleBlurRows" + both, radius,
                [radius, divisor](ImagePlanes& image) { triangleBlurRows(image, radius, divisor); },
                [radius, divisor](ImagePlanes& image) { reference::triangleBlurRows(image, radius, divisor); });
            registerPair(
                "triangleBlurColumns" + both, radius,
                [radius, divisor](ImagePlanes& image) { triangleBlurColumns(image, radius, divisor); },
                [radius, divisor](ImagePlanes& image) { reference::triangleBlurColumns(image, radius, divisor); });
        }
        registerPair(
            "unsharpMask" + tag, radius, [radius](ImagePlanes& image) { unsharpMask(image, radius, 0.5); },
            [radius](ImagePlanes& image) { reference::unsharpMask(image, radius, 0.5); });
        registerPair(
            "brightSharpen" + tag, radius, [radius](ImagePlanes& image) { brightSharpen(image, radius, radius); },
            [radius](ImagePlanes& image) { reference::brightSharpen(image, radius, radius); });
        registerPair(
            "darkSharpen" + tag, radius, [radius](ImagePlanes& image) { darkSharpen(image, radius, radius); },
            [radius](ImagePlanes& image) { reference::darkSharpen(image, radius, radius); });
    }
    registerPair(
        "composeWithScratch", 0, [](ImagePlanes& image) { composeWithScratch(image, 0.3); },
        [](ImagePlanes& image) { reference::composeWithScratch(image, 0.3); });
    return 0;
}();

} // namespace
