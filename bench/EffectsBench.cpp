// Speed of the tone and colour effects on a 24-megapixel photo-like image at
// the parameters the modes and the fixed filters use, in megapixels per
// second, next to the naive reference: on the same photo for the single-pass
// operations, on a smaller photo-like crop for the window filters (per pixel
// the two compare directly; the crop is larger than every window used).
#include <cstdint>
#include <functional>
#include <string>

#include <benchmark/benchmark.h>

#include "effects/ColourSampling.h"
#include "effects/LuminanceRankFilter.h"
#include "effects/MedianFilters.h"
#include "effects/OperandPlanes.h"
#include "effects/WeightedCompose.h"
#include "BenchSupport.h"
#include "reference/ReferenceEffects.h"
#include "support/TestImages.h"

namespace {

using bench::Operation;
using bench::photo;
using bench::timeOn;

// Registers the production operation on the photo and the reference's on a
// square crop of side `cropSide`, or on the photo itself when it is 0.
void registerPair(const std::string& name, int cropSide, Operation production, Operation naive)
{
    benchmark::RegisterBenchmark(("Effects/" + name).c_str(),
                                 [production](benchmark::State& state) { timeOn(state, photo(), production); })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("EffectsReference/" + name).c_str(),
                                 [cropSide, naive](benchmark::State& state) {
                                     if (cropSide == 0) {
                                         timeOn(state, photo(), naive);
                                         return;
                                     }
                                     ImagePlanes image = testsupport::photoLikeImage(cropSide, cropSide, 2);
                                     timeOn(state, image, naive);
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

constexpr int kWholePhoto = 0;

const int kRegistered = [] {
    using reference::whole;
    registerPair(
        "fillScratch", kWholePhoto, [](ImagePlanes& image) { fillScratch(image, 30, 60, 90); },
        [](ImagePlanes& image) { reference::fillScratch(image, 30, 60, 90, whole(image)); });
    registerPair(
        "invertToScratch", kWholePhoto, [](ImagePlanes& image) { invertToScratch(image); },
        [](ImagePlanes& image) { reference::invertToScratch(image, whole(image)); });
    registerPair(
        "greyToScratch", kWholePhoto, [](ImagePlanes& image) { greyToScratch(image); },
        [](ImagePlanes& image) { reference::greyToScratch(image, whole(image)); });
    registerPair(
        "greyResult", kWholePhoto, [](ImagePlanes& image) { greyResult(image); },
        [](ImagePlanes& image) { reference::greyResult(image, whole(image)); });
    registerPair(
        "lightenDarkenScratch", kWholePhoto, [](ImagePlanes& image) { lightenDarkenScratch(image, true); },
        [](ImagePlanes& image) { reference::lightenDarkenScratch(image, true, whole(image)); });
    registerPair(
        "meanColour", kWholePhoto, [](ImagePlanes& image) { meanColour(image); },
        [](ImagePlanes& image) { reference::meanColour(image); });
    registerPair(
        "brightWeightedCompose", kWholePhoto, [](ImagePlanes& image) { brightWeightedCompose(image, 0.5); },
        [](ImagePlanes& image) { reference::brightWeightedCompose(image, 0.5, whole(image)); });
    registerPair(
        "darkWeightedCompose", kWholePhoto, [](ImagePlanes& image) { darkWeightedCompose(image, 0.5); },
        [](ImagePlanes& image) { reference::darkWeightedCompose(image, 0.5, whole(image)); });
    registerPair(
        "colourRangeCompose", kWholePhoto,
        [](ImagePlanes& image) { colourRangeCompose(image, -0.5, 10.0, {250.0, 214.0, 186.0}); },
        [](ImagePlanes& image) { reference::colourRangeCompose(image, -0.5, 10.0, 250.0, 214.0, 186.0, whole(image)); });
    registerPair(
        "scratchColourRangeCompose", kWholePhoto,
        [](ImagePlanes& image) { scratchColourRangeCompose(image, 1.5, 1.0, {128.0, 128.0, 128.0}); },
        [](ImagePlanes& image) {
            reference::scratchColourRangeCompose(image, 1.5, 1.0, 128.0, 128.0, 128.0, whole(image));
        });
    registerPair(
        "sampleAverageColour", kWholePhoto,
        [](ImagePlanes& image) {
            benchmark::DoNotOptimize(sampleAverageColour(image, 0, 0, image.width, image.height));
        },
        [](ImagePlanes& image) {
            benchmark::DoNotOptimize(reference::sampleAverageColour(image, 0, 0, image.width, image.height));
        });
    for (const int radius : {1, 5, 10}) {
        registerPair(
            "luminanceRankFilter/radius:" + std::to_string(radius), 64,
            [radius](ImagePlanes& image) { luminanceRankFilter(image, radius); },
            [radius](ImagePlanes& image) { reference::luminanceRankFilter(image, radius, whole(image)); });
    }
    // The fixed filters pass radius = step = 5 and 10.
    for (const int radius : {5, 10}) {
        const std::string tag = "/radius:" + std::to_string(radius) + "/step:" + std::to_string(radius);
        registerPair(
            "weightedMedianRows" + tag, 128, [radius](ImagePlanes& image) { weightedMedianRows(image, radius, radius); },
            [radius](ImagePlanes& image) { reference::weightedMedianRows(image, radius, radius); });
        registerPair(
            "weightedMedianColumns" + tag, 128,
            [radius](ImagePlanes& image) { weightedMedianColumns(image, radius, radius); },
            [radius](ImagePlanes& image) { reference::weightedMedianColumns(image, radius, radius); });
    }
    registerPair(
        "replaceOutlierPixels", kWholePhoto, [](ImagePlanes& image) { replaceOutlierPixels(image); },
        [](ImagePlanes& image) { reference::replaceOutlierPixels(image); });
    return 0;
}();

} // namespace
