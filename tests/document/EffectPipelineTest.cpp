// Every mode's full-image pipeline and the three fixed filters against the
// naive reference operations, composed here straight from the pipeline
// table, on small random photos with the slider values at their range ends.
// All four planes and the means must agree byte for byte for 1, 2 and 3 threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "document/CommandTable.h"
#include "document/EffectPipelines.h"
#include "reference/ReferenceEffects.h"
#include "reference/ReferenceEngine.h"
#include "support/TestImages.h"

namespace {

namespace ref = reference;

struct Range {
    int min;
    int max;
};

// The slider ranges the effect dialog gives each mode; a slider the mode
// does not configure keeps 0..100 at position 0.
struct ModeRanges {
    Range s, e, p;
};

ModeRanges rangesOf(int mode)
{
    const Range unset{0, 0};
    switch (mode) {
    case 5:
    case 9:
        return {{1, 10}, {1, 100}, unset};
    case 10:
    case 11:
    case 14:
    case 30:
        return {{1, 10}, {1, 100}, {1, 100}};
    case 12:
        return {{0, 255}, {0, 255}, {0, 255}};
    case 13:
        return {{1, 10}, {-100, 100}, {1, 100}};
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
    case 26:
    case 27:
        return {unset, {1, 100}, unset};
    default:
        return {{1, 100}, {1, 100}, unset};
    }
}

// Strength at both ends and at 9 and 10 (where r steps from 1 to 2), each
// paired with an effect and a precision at an end or inside the range.
std::vector<EffectValues> valueCases(int mode)
{
    const ModeRanges ranges = rangesOf(mode);
    std::set<int> strengths{ranges.s.min, ranges.s.max};
    for (const int s : {9, 10}) {
        if (s >= ranges.s.min && s <= ranges.s.max) {
            strengths.insert(s);
        }
    }
    const int effects[] = {ranges.e.min, ranges.e.max, (ranges.e.min + ranges.e.max) / 3, ranges.e.max};
    const int precisions[] = {ranges.p.max, ranges.p.min, (ranges.p.min + ranges.p.max) / 2, ranges.p.max};
    const RgbColour colours[] = {{250, 214, 186}, {0, 0, 0}, {255, 255, 255}, {17, 200, 91}};
    std::vector<EffectValues> cases;
    int i = 0;
    for (const int s : strengths) {
        EffectValues values;
        values.strengthValue = s;
        values.effectValue = effects[i % 4];
        values.precisionValue = precisions[i % 4];
        values.targetColour = colours[i % 4];
        values.lightColour = colours[(i + 3) % 4];
        cases.push_back(values);
        ++i;
    }
    return cases;
}

std::uint8_t complement(int component) { return static_cast<std::uint8_t>(255 - component); }

void fillLightComplement(ImagePlanes& image, const RgbColour& light)
{
    ref::fillScratch(image, complement(light.red), complement(light.green), complement(light.blue), ref::whole(image));
}

void gaussian(ImagePlanes& image, int s)
{
    ref::gaussianBlurRows(image, static_cast<double>(s));
    ref::gaussianBlurColumns(image, static_cast<double>(s));
}

void triangle(ImagePlanes& image, int radius, int divisor)
{
    ref::triangleBlurRows(image, radius, divisor);
    ref::triangleBlurColumns(image, radius, divisor);
}

void colourRange(ImagePlanes& image, double strength, double precision, const RgbColour& t)
{
    ref::colourRangeCompose(image, strength, precision, t.red, t.green, t.blue, ref::whole(image));
}

// The pipeline table, one mode at a time, on the reference operations.
void referencePipeline(ImagePlanes& image, int mode, const EffectValues& v)
{
    const int S = v.strengthValue;
    const int E = v.effectValue;
    const int P = v.precisionValue;
    const int r = S / 10 + 1;
    const ref::Rect all = ref::whole(image);
    const RgbColour& t = v.targetColour;
    const RgbColour& l = v.lightColour;
    switch (mode) {
    case 1: gaussian(image, S); ref::composeWithScratch(image, E / 100.0 * 3.0); break;
    case 2: triangle(image, r, r); ref::composeWithScratch(image, E / 100.0 * 3.0); break;
    case 3: ref::greyToScratch(image, all); ref::composeWithScratch(image, E / 100.0 * 3.0); break;
    case 4: gaussian(image, S); ref::composeWithScratch(image, (-E) / 100.0 * 0.9); break;
    case 5: ref::luminanceRankFilter(image, S, all); ref::composeWithScratch(image, E / 100.0 * 5.0); break;
    case 6: ref::invertToScratch(image, all); ref::composeWithScratch(image, E / 100.0); break;
    case 7:
        gaussian(image, S);
        ref::composeWithScratch(image, E / 100.0 * 3.0);
        ref::greyResult(image, all);
        break;
    case 8: triangle(image, r, 1); ref::unsharpMask(image, r, E / 100.0 * 5.0); break;
    case 9: ref::luminanceRankFilter(image, S, all); ref::composeWithScratch(image, (-E) / 100.0); break;
    case 10: ref::luminanceRankFilter(image, S, all); colourRange(image, (-E) / 100.0, P, t); break;
    case 11: gaussian(image, S); colourRange(image, (-E) / 100.0 * 0.9, P, t); break;
    case 12:
        triangle(image, r, r);
        ref::scratchColourRangeCompose(image, E / 100.0 * 3.0, P / 10.0, t.red, t.green, t.blue, all);
        break;
    case 13: ref::greyToScratch(image, all); colourRange(image, E / 100.0, P, t); break;
    case 14: gaussian(image, S); colourRange(image, E / 100.0 * 3.0, P, t); break;
    case 15:
    case 16:
    case 17:
    case 19:
    case 26: fillLightComplement(image, l); ref::composeWithScratch(image, E / 100.0); break;
    case 18:
    case 20: fillLightComplement(image, l); ref::brightWeightedCompose(image, E / 100.0, all); break;
    case 21: fillLightComplement(image, l); ref::darkWeightedCompose(image, E / 100.0, all); break;
    case 22: ref::invertToScratch(image, all); ref::brightWeightedCompose(image, E / 100.0, all); break;
    case 23: ref::invertToScratch(image, all); ref::darkWeightedCompose(image, E / 100.0, all); break;
    case 24: ref::greyToScratch(image, all); ref::brightWeightedCompose(image, E / 100.0 * 3.0, all); break;
    case 25: ref::greyToScratch(image, all); ref::darkWeightedCompose(image, E / 100.0 * 3.0, all); break;
    case 27:
        ref::meanColour(image); // before the dialog
        ref::fillScratch(image, static_cast<std::uint8_t>(static_cast<int>(image.meanRed)),
                         static_cast<std::uint8_t>(static_cast<int>(image.meanGreen)),
                         static_cast<std::uint8_t>(static_cast<int>(image.meanBlue)), all);
        ref::composeWithScratch(image, E / 100.0);
        break;
    case 28: ref::brightSharpen(image, r, r); ref::composeWithScratch(image, E / 100.0 * 3.0); break;
    case 29: ref::darkSharpen(image, r, r); ref::composeWithScratch(image, E / 100.0 * 3.0); break;
    case 30: fillLightComplement(image, l); colourRange(image, E / 100.0, P, t); break;
    case 31:
        gaussian(image, S);
        ref::lightenDarkenScratch(image, true, all);
        ref::composeWithScratch(image, E / 100.0 * 5.0);
        break;
    case 32:
        gaussian(image, S);
        ref::lightenDarkenScratch(image, false, all);
        ref::composeWithScratch(image, E / 100.0 * 5.0);
        break;
    default: FAIL() << "no reference for mode " << mode;
    }
}

std::string describe(const EffectValues& v)
{
    return "S " + std::to_string(v.strengthValue) + " E " + std::to_string(v.effectValue) + " P " +
           std::to_string(v.precisionValue) + " T " + std::to_string(v.targetColour.red) + " L " +
           std::to_string(v.lightColour.red);
}

struct PhotoSize {
    int width, height;
};
const PhotoSize kSizes[] = {{13, 9}, {6, 1}};

class EveryMode : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(EveryMode, MatchesTheReferencePipeline)
{
    const int mode = GetParam();
    for (const PhotoSize size : kSizes) {
        const ImagePlanes photo = testsupport::randomImage(size.width, size.height, 100 + mode);
        for (const EffectValues& values : valueCases(mode)) {
            SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) + " " + describe(values));
            ImagePlanes expected = photo;
            referencePipeline(expected, mode, values);
            for (const int threads : testsupport::kThreadCounts) {
                SCOPED_TRACE(threads);
                const testsupport::ScopedThreadCount scoped(threads);
                ImagePlanes actual = photo;
                runPreDialogStep(actual, mode);
                runEffectPipeline(actual, mode, values);
                ASSERT_TRUE(testsupport::imagesEqual(expected, actual));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, EveryMode, ::testing::Range(1, kEffectModeCount + 1),
                         [](const ::testing::TestParamInfo<int>& info) { return "Mode" + std::to_string(info.param); });

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
        const EffectValues values = valueCases(mode).front();
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
    const ModeRanges ranges = rangesOf(mode);
    EffectValues values;
    values.strengthValue = std::max(ranges.s.min, ranges.s.max / 4);
    values.effectValue = mode == 13 ? -60 : ranges.e.max * 3 / 4;
    values.precisionValue = ranges.p.min + 1;
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
