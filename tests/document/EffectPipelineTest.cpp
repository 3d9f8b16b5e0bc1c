// The full-image pipelines: what every mode leaves in the planes, the stored
// hashes of every mode's output, and the three fixed filters against the
// naive reference operations for 1, 2 and 3 threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "document/EffectCatalogue.h"
#include "document/EffectPipelines.h"
#include "reference/ReferenceEffects.h"
#include "reference/ReferenceEngine.h"
#include "support/TestImages.h"

namespace {

namespace ref = reference;

// The low end of every configured slider; an unconfigured one at 0.
EffectValues lowEndValues(int mode)
{
    const ModeSetup& setup = *findModeSetup(mode);
    const auto low = [](const SliderSetup& slider) { return slider.configured ? slider.minimum : 0; };
    EffectValues values;
    values.strengthValue = low(setup.strength);
    values.effectValue = low(setup.effect);
    values.precisionValue = setup.precision.configured ? setup.precision.maximum : 0;
    values.targetColour = {250, 214, 186};
    values.lightColour = {17, 200, 91};
    return values;
}

void triangle(ImagePlanes& image, int radius, int divisor)
{
    ref::triangleBlurRows(image, radius, divisor);
    ref::triangleBlurColumns(image, radius, divisor);
}

struct PhotoSize {
    int width, height;
};

} // namespace

// The pixel bytes of a plane, row padding left out.
std::vector<std::uint8_t> pixelBytes(const ImagePlanes& image, const std::vector<std::uint8_t>& plane)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < image.height; ++y) {
        const auto row = plane.begin() + static_cast<std::ptrdiff_t>(y * image.stride());
        pixels.insert(pixels.end(), row, row + 3 * image.width);
    }
    return pixels;
}

// Every pipeline writes every pixel of `result` and leaves `scratch` zero,
// whatever the planes held before, so nothing of an earlier preview survives.
TEST(EffectPipelines, OverwriteResultAndClearScratch)
{
    const ImagePlanes noisy = testsupport::noisyImage(11, 7, 3);
    for (int mode = 1; mode <= kEffectModeCount; ++mode) {
        SCOPED_TRACE(mode);
        const EffectValues values = lowEndValues(mode);
        ImagePlanes fromNoise = noisy;
        ImagePlanes fromIdle = noisy;
        ref::fill(fromIdle.result, 255);
        ref::fill(fromIdle.scratch, 0);
        fromNoise.meanRed = fromIdle.meanRed = 0.0;
        runPreDialogStep(fromNoise, mode);
        runPreDialogStep(fromIdle, mode);
        runEffectPipeline(fromNoise, mode, values);
        runEffectPipeline(fromIdle, mode, values);
        EXPECT_EQ(pixelBytes(fromIdle, fromIdle.result), pixelBytes(fromNoise, fromNoise.result));
        EXPECT_TRUE(std::all_of(fromNoise.scratch.begin(), fromNoise.scratch.end(), [](auto b) { return b == 0; }));
        EXPECT_TRUE(testsupport::planesEqual(noisy.current, fromNoise.current, noisy.width));
    }
}

TEST(EffectPipelines, GreyModeIsGreyEverywhere)
{
    ImagePlanes photo = testsupport::randomImage(9, 8, 4);
    EffectValues values;
    values.strengthValue = 10;
    values.effectValue = 55;
    runEffectPipeline(photo, 7, values);
    for (int y = 0; y < photo.height; ++y) {
        for (int x = 0; x < photo.width; ++x) {
            const std::size_t at = y * photo.stride() + 3 * x;
            EXPECT_EQ(photo.result[at], photo.result[at + 1]);
            EXPECT_EQ(photo.result[at], photo.result[at + 2]);
        }
    }
}

TEST(EffectPipelines, UnknownModeDoesNothing)
{
    const ImagePlanes photo = testsupport::noisyImage(5, 4, 5);
    for (const int mode : {0, 33, -1}) {
        ImagePlanes copy = photo;
        runEffectPipeline(copy, mode, EffectValues{});
        EXPECT_TRUE(testsupport::imagesEqual(photo, copy));
    }
}

TEST(EffectPipelines, RadiusSteps)
{
    EXPECT_EQ(radiusFromStrength(0), 1);
    EXPECT_EQ(radiusFromStrength(9), 1);
    EXPECT_EQ(radiusFromStrength(10), 2);
    EXPECT_EQ(radiusFromStrength(100), 11);
    EXPECT_EQ(radiusFromStrength(255), 26);
}

TEST(FixedFilters, MatchTheReference)
{
    for (const PhotoSize size : {PhotoSize{23, 22}, PhotoSize{7, 3}}) {
        const ImagePlanes photo = testsupport::photoLikeImage(size.width, size.height, 6);
        for (const int id : {CommandId::TriangleSharpenFilter, CommandId::OutlierFilter, CommandId::MedianSharpenFilter}) {
            SCOPED_TRACE(std::to_string(id) + " " + std::to_string(size.width));
            ImagePlanes expected = photo;
            if (id == CommandId::TriangleSharpenFilter) {
                triangle(expected, 10, 10);
                ref::composeWithScratch(expected, 1.25);
            } else if (id == CommandId::OutlierFilter) {
                ref::weightedMedianRows(expected, 10, 10);
                ref::weightedMedianColumns(expected, 10, 10);
                ref::replaceOutlierPixels(expected);
            } else {
                ref::weightedMedianRows(expected, 5, 5);
                ref::weightedMedianColumns(expected, 5, 5);
                ref::composeWithScratch(expected, 1.5);
            }
            for (const int threads : testsupport::kThreadCounts) {
                const testsupport::ScopedThreadCount scoped(threads);
                ImagePlanes actual = photo;
                runFixedFilter(actual, id);
                ASSERT_TRUE(testsupport::imagesEqual(expected, actual)) << threads << " threads";
            }
        }
    }
}

TEST(FixedFilters, OtherIdsDoNothing)
{
    const ImagePlanes photo = testsupport::noisyImage(5, 4, 7);
    ImagePlanes copy = photo;
    runFixedFilter(copy, CommandId::Undo);
    EXPECT_TRUE(testsupport::imagesEqual(photo, copy));
}

namespace {

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}

// Values inside every range: a wide colour range around a mid colour.
EffectValues hashValues(int mode)
{
    const ModeSetup& setup = *findModeSetup(mode);
    const auto top = [](const SliderSetup& slider) { return slider.configured ? slider.maximum : 0; };
    const auto bottom = [](const SliderSetup& slider) { return slider.configured ? slider.minimum : 0; };
    EffectValues values;
    values.strengthValue = std::max(bottom(setup.strength), top(setup.strength) / 4);
    values.effectValue = mode == 13 ? -60 : top(setup.effect) * 3 / 4;
    values.precisionValue = bottom(setup.precision) + 1;
    values.targetColour = {120, 130, 140};
    values.lightColour = {200, 90, 30};
    return values;
}

// The `result` of every mode on one fixed photo-like image, as recorded when the pipelines were checked against
// the reference. A change here means the accepted output of a mode changed.
constexpr std::uint64_t kStoredResultHashes[kEffectModeCount] = {
    0x317f372b9012ac05ull, 0xa4fa6bdead94756ull, 0xd49ceee8b0fcf797ull, 0x635186d9c73043f0ull,
    0xd7c6a1dc428d0a12ull, 0x24fbb958e0a23480ull, 0xb2fbcc00a7137ad2ull, 0x7e39e70c54197147ull,
    0x6f7cde8e98e72182ull, 0x705d347b791e4130ull, 0x2b9f756b4667d100ull, 0x17b528aa6b0371bfull,
    0xce99039ba4b2db40ull, 0xf2e819aef169fe77ull, 0x6fa9624b8dacc38bull, 0x6fa9624b8dacc38bull,
    0x6fa9624b8dacc38bull, 0x68b396db66f4f63ull, 0x6fa9624b8dacc38bull, 0x68b396db66f4f63ull,
    0xf15deea06f13bc01ull, 0x25332b6c18c98035ull, 0x9cfbcb65e9d1bea6ull, 0xbce53b223542d191ull,
    0x4e6207f414ca15c8ull, 0x6fa9624b8dacc38bull, 0xc3241d0f7faebfaeull, 0xf65dcdefa37b1805ull,
    0x34014d8359a7b423ull, 0xc28e812e89853071ull, 0xbd7941e9ed1e7857ull, 0x12a4ce227e082bafull,
};

} // namespace

TEST(EffectPipelines, StoredHashesOfEveryMode)
{
    const ImagePlanes photo = testsupport::photoLikeImage(17, 12, 2024);
    for (int mode = 1; mode <= kEffectModeCount; ++mode) {
        ImagePlanes image = photo;
        runPreDialogStep(image, mode);
        runEffectPipeline(image, mode, hashValues(mode));
        EXPECT_EQ(fnv1a(image.result), kStoredResultHashes[mode - 1]) << "mode " << mode << ": 0x" << std::hex
                                                                     << fnv1a(image.result) << "ull";
    }
}
