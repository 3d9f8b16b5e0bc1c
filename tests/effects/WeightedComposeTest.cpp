// Brightness- and colour-weighted composes and the colour-match mask:
// differential tests against the naive reference over the strengths and
// precisions the modes pass, and the cases that pin the weight arithmetic.
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "effects/EffectsTestHelpers.h"
#include "effects/WeightedCompose.h"

namespace {

using effectstest::awkwardSizes;
using effectstest::randomRect;
using effectstest::randomStrength;
using effectstest::testPhoto;
using effectstest::toReference;

struct Arguments {
    double strength;
    double precision;
    double target[3]; // red, green, blue
    double tolerance[3];
};

Arguments randomArguments(std::mt19937& rng)
{
    Arguments a{};
    a.strength = randomStrength(rng);
    // Precision 1 to 255, or a tenth of it as the blurred-colour mode passes.
    const int p = std::uniform_int_distribution<int>(1, 255)(rng);
    a.precision = std::uniform_int_distribution<int>(0, 1)(rng) == 0 ? p : p / 10.0;
    for (int c = 0; c < 3; ++c) {
        a.target[c] = std::uniform_int_distribution<int>(0, 255)(rng);
        a.tolerance[c] = std::uniform_int_distribution<int>(0, 255)(rng) / (c == 0 ? 1.0 : 2.0);
    }
    return a;
}

enum class Op { Bright, Dark, ColourRange, ScratchColourRange, MatchMask };

void runProduction(Op op, ImagePlanes& image, const Arguments& a, bool full, const PreviewRect& rect)
{
    const double s = a.strength;
    const double k = a.precision;
    const double* t = a.target;
    switch (op) {
    case Op::Bright:
        full ? brightWeightedCompose(image, s) : brightWeightedComposePreview(image, rect, s);
        break;
    case Op::Dark:
        full ? darkWeightedCompose(image, s) : darkWeightedComposePreview(image, rect, s);
        break;
    case Op::ColourRange:
        full ? colourRangeCompose(image, s, k, {t[0], t[1], t[2]})
             : colourRangeComposePreview(image, rect, s, k, {t[0], t[1], t[2]});
        break;
    case Op::ScratchColourRange:
        full ? scratchColourRangeCompose(image, s, k, {t[0], t[1], t[2]})
             : scratchColourRangeComposePreview(image, rect, s, k, {t[0], t[1], t[2]});
        break;
    case Op::MatchMask:
        colourMatchMaskPreview(image, rect, {a.tolerance[0], a.tolerance[1], a.tolerance[2]}, {t[0], t[1], t[2]});
        break;
    }
}

void runReference(Op op, ImagePlanes& image, const Arguments& a, reference::Rect rect)
{
    const double* t = a.target;
    switch (op) {
    case Op::Bright:
        reference::brightWeightedCompose(image, a.strength, rect);
        break;
    case Op::Dark:
        reference::darkWeightedCompose(image, a.strength, rect);
        break;
    case Op::ColourRange:
        reference::colourRangeCompose(image, a.strength, a.precision, t[0], t[1], t[2], rect);
        break;
    case Op::ScratchColourRange:
        reference::scratchColourRangeCompose(image, a.strength, a.precision, t[0], t[1], t[2], rect);
        break;
    case Op::MatchMask:
        reference::colourMatchMask(image, a.tolerance[0], a.tolerance[1], a.tolerance[2], t[0], t[1], t[2], rect);
        break;
    }
}

// The operation with 1, 2 and 3 threads against the reference.
void expectMatchesReference(Op op, const ImagePlanes& original, const Arguments& a, bool full, PreviewRect rect)
{
    ImagePlanes want = original;
    runReference(op, want, a, toReference(rect));
    for (int threads : testsupport::kThreadCounts) {
        testsupport::ScopedThreadCount scope(threads);
        ImagePlanes got = original;
        runProduction(op, got, a, full, rect);
        ASSERT_TRUE(testsupport::imagesEqual(want, got))
            << "op " << static_cast<int>(op) << " " << original.width << "x" << original.height << " s "
            << a.strength << " k " << a.precision << (full ? " full" : " preview") << ", " << threads << " threads";
    }
}

TEST(WeightedCompose, MatchesReferenceOnAwkwardSizesAndRegions)
{
    std::mt19937 rng(2024);
    std::uint32_t seed = 300;
    for (Op op : {Op::Bright, Op::Dark, Op::ColourRange, Op::ScratchColourRange, Op::MatchMask}) {
        for (const auto& [width, height] : awkwardSizes()) {
            for (int trial = 0; trial < 4; ++trial, ++seed) {
                ImagePlanes original = testPhoto(width, height, seed);
                // Colour ranges need pixels near the target to see weights inside (0, 1].
                const Arguments a = randomArguments(rng);
                const bool full = trial % 2 == 0 && op != Op::MatchMask;
                const PreviewRect rect = full ? PreviewRect{0, 0, width, height} : randomRect(original, rng);
                expectMatchesReference(op, original, a, full, rect);
            }
        }
    }
}

// Rows of whole and partial blocks of 16 pixels, regions starting at odd
// columns, targets between whole numbers, and strengths far outside what
// the modes pass (2^20, values beyond a 32-bit integer, infinities, NaN),
// against the reference.
TEST(WeightedCompose, MatchesReferenceAroundTheVectorBlocks)
{
    std::mt19937 rng(2025);
    std::uint32_t seed = 900;
    const double infinity = std::numeric_limits<double>::infinity();
    const double extremes[] = {3e7, -3e7, 1e300, infinity, -infinity, std::nan(""), 1048576.0, -1048576.0};
    const std::vector<std::pair<int, int>> sizes = {{15, 2}, {16, 3}, {17, 2}, {33, 3}, {48, 2}, {101, 3}};
    for (Op op : {Op::Bright, Op::Dark, Op::ColourRange, Op::ScratchColourRange}) {
        for (const auto& [width, height] : sizes) {
            for (int trial = 0; trial < 4; ++trial, ++seed) {
                const ImagePlanes original = testPhoto(width, height, seed);
                Arguments a = randomArguments(rng);
                if (trial == 1) {
                    // A target that is not a whole number.
                    a.target[seed % 3] += 0.5;
                }
                if (trial == 3) {
                    a.strength = extremes[seed % std::size(extremes)];
                }
                const bool full = trial % 2 == 0;
                const PreviewRect rect = full ? PreviewRect{0, 0, width, height} : randomRect(original, rng);
                expectMatchesReference(op, original, a, full, rect);
            }
        }
    }
}

// Precisions no mode passes: below 0 a colour far from the target weighs
// more than 1, so composed values pass 2^31 with moderate strengths; infinity
// and NaN leave no colour inside the range.
TEST(WeightedCompose, ColourRangesWithExtremePrecisionsMatchReference)
{
    std::mt19937 rng(2026);
    std::uint32_t seed = 1200;
    const double infinity = std::numeric_limits<double>::infinity();
    for (Op op : {Op::ColourRange, Op::ScratchColourRange}) {
        for (const double precision : {-1e6, -1.0, -1e-3, 0.0, infinity, -infinity, std::nan("")}) {
            for (const double strength : {3.0, -0.9, 1000.0}) {
                Arguments a = randomArguments(rng);
                a.precision = precision;
                a.strength = strength;
                const ImagePlanes original = testPhoto(37, 3, seed++);
                expectMatchesReference(op, original, a, true, PreviewRect{0, 0, 37, 3});
            }
        }
    }
}

// A one-row photo of the given BGR pixels with `scratch` set to `operand`.
ImagePlanes row(const std::vector<std::uint8_t>& pixels, const std::vector<std::uint8_t>& operand)
{
    ImagePlanes image;
    image.allocatePlanes(static_cast<int>(pixels.size() / 3), 1);
    std::copy(pixels.begin(), pixels.end(), image.current.begin());
    std::copy(operand.begin(), operand.end(), image.scratch.begin());
    return image;
}

std::vector<std::uint8_t> pixelBytes(const ImagePlanes& image, const std::vector<std::uint8_t>& plane)
{
    return {plane.begin(), plane.begin() + 3 * image.width};
}

TEST(WeightedCompose, ZeroStrengthCopiesThePhoto)
{
    const ImagePlanes original = testsupport::noisyImage(13, 7, 5);
    for (Op op : {Op::Bright, Op::Dark, Op::ColourRange, Op::ScratchColourRange}) {
        ImagePlanes image = original;
        Arguments a{0.0, 1.0, {128, 128, 128}, {}};
        runProduction(op, image, a, true, {});
        EXPECT_TRUE(testsupport::planesEqual(std::vector<std::uint8_t>(image.planeBytes(), 0), image.scratch, 13));
        for (int y = 0; y < 7; ++y) {
            for (int b = 0; b < 39; ++b) {
                const std::size_t p = y * image.stride() + b;
                ASSERT_EQ(image.result[p], image.current[p]) << "op " << static_cast<int>(op);
            }
        }
    }
}

TEST(WeightedCompose, OperandEqualToPhotoGivesCOrCMinusOne)
{
    ImagePlanes image = testsupport::randomImage(64, 32, 9);
    int dropped = 0;
    for (double s : {0.37, 1.0, 2.9, 5.0, -0.63}) {
        image.scratch = image.current;
        brightWeightedCompose(image, s);
        for (int y = 0; y < 32; ++y) {
            for (int b = 0; b < 192; ++b) {
                const std::size_t p = y * image.stride() + b;
                const int c = image.current[p];
                const int v = image.result[p];
                ASSERT_TRUE(v == c || v == c - 1) << "c " << c << " became " << v;
                dropped += v == c - 1;
            }
        }
    }
    EXPECT_GT(dropped, 0) << "the rounded products never fell below c";
}

TEST(WeightedCompose, BrightAndDarkWeightsAtBlackAndWhite)
{
    // Black then white, pulled fully toward the operand 100 with s = -1.
    const std::vector<std::uint8_t> pixels = {0, 0, 0, 255, 255, 255};
    const std::vector<std::uint8_t> operand = {100, 100, 100, 100, 100, 100};
    ImagePlanes bright = row(pixels, operand);
    brightWeightedCompose(bright, -1.0);
    EXPECT_EQ(pixelBytes(bright, bright.result), (std::vector<std::uint8_t>{0, 0, 0, 100, 100, 100}));
    ImagePlanes dark = row(pixels, operand);
    darkWeightedCompose(dark, -1.0);
    EXPECT_EQ(pixelBytes(dark, dark.result), (std::vector<std::uint8_t>{100, 100, 100, 255, 255, 255}));
}

TEST(WeightedCompose, ColourRangeBoundaries)
{
    // Target black. BGR pixels at squared distances 0, 15000, 15187 and 15188
    // (k = 10: the budget runs out at 15187.5), against a white operand.
    const std::vector<std::uint8_t> pixels = {0, 0, 0, 50, 50, 100, 27, 83, 87, 52, 78, 80};
    const std::vector<std::uint8_t> operand(12, 255);
    ImagePlanes image = row(pixels, operand);
    colourRangeCompose(image, 5.0, 10.0, {0.0, 0.0, 0.0});
    // Distance 0: W = 1, v = 0 x 6 - 255 x 5 clamps to 0. Distance 15000:
    // W = 1875 / 151875, pulled down a little. 15187: W = 5 / 151875 drops
    // each channel by one. 15188: D < 0, copied.
    const std::vector<std::uint8_t> expected = {0, 0, 0, 37, 37, 90, 26, 82, 86, 52, 78, 80};
    EXPECT_EQ(pixelBytes(image, image.result), expected);

    // The same distance 15000 with a black operand: v = c x (1 + 5 W).
    ImagePlanes away = row({50, 50, 100}, {0, 0, 0});
    colourRangeCompose(away, 5.0, 10.0, {0.0, 0.0, 0.0});
    EXPECT_EQ(pixelBytes(away, away.result), (std::vector<std::uint8_t>{53, 53, 106}));
}

TEST(WeightedCompose, ColourRangeBudgetExactlyZeroIsCopied)
{
    // (225, 225, 225) lies at squared distance 151875 from black: with k = 1, D = 0.
    ImagePlanes image = row({225, 225, 225, 224, 225, 225}, {0, 0, 0, 0, 0, 0});
    colourRangeCompose(image, 5.0, 1.0, {0.0, 0.0, 0.0});
    const std::vector<std::uint8_t> result = pixelBytes(image, image.result);
    EXPECT_EQ(result[0], 225);
    EXPECT_EQ(result[1], 225);
    EXPECT_EQ(result[2], 225);
    EXPECT_GT(result[4], 225) << "a colour just inside the budget is pushed";
}

TEST(WeightedCompose, ScratchRangeDecidesByTheOperandColour)
{
    // Both pixels equal the target; only the second operand lies in range.
    ImagePlanes image = row({10, 20, 30, 10, 20, 30}, {255, 255, 255, 12, 20, 30});
    scratchColourRangeCompose(image, 5.0, 10.0, {30.0, 20.0, 10.0});
    const std::vector<std::uint8_t> result = pixelBytes(image, image.result);
    EXPECT_EQ((std::vector<std::uint8_t>(result.begin(), result.begin() + 3)), (std::vector<std::uint8_t>{10, 20, 30}));
    EXPECT_LT(result[3], 10) << "the in-range operand pushes the pixel away from it";
}

TEST(WeightedCompose, MatchMaskWithZeroAndFullTolerance)
{
    ImagePlanes image = testsupport::noisyImage(6, 4, 17);
    const std::size_t target = 2 * image.stride() + 3 * 4;
    const double tB = image.current[target];
    const double tG = image.current[target + 1];
    const double tR = image.current[target + 2];
    const std::vector<std::uint8_t> scratch = image.scratch;
    const std::vector<std::uint8_t> resultBefore = image.result;
    const PreviewRect region{1, 1, 5, 3};
    colourMatchMaskPreview(image, region, {0, 0, 0}, {tR, tG, tB});
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const std::size_t p = y * image.stride() + 3 * x;
            const bool inside = x >= 1 && y >= 1;
            const bool exact = image.current[p] == tB && image.current[p + 1] == tG && image.current[p + 2] == tR;
            for (int c = 0; c < 3; ++c) {
                const int want = !inside ? resultBefore[p + c] : exact ? 255 : image.current[p + c];
                EXPECT_EQ(image.result[p + c], want) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(image.scratch, scratch);
    colourMatchMaskPreview(image, region, {255, 255, 255}, {tR, tG, tB});
    for (int y = 1; y < 4; ++y) {
        for (int b = 3; b < 18; ++b) {
            EXPECT_EQ(image.result[y * image.stride() + b], 255);
        }
    }
}

} // namespace
