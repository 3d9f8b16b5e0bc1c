// Compose with scratch: the worked values (including 100.9 stored as 100),
// the identity strengths, the clearing of scratch and the rectangle of the
// twin, and differential runs against the naive reference.
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "DifferentialSupport.h"
#include "engine/ComposeWithScratch.h"
#include "reference/ReferenceEngine.h"
#include "support/TestImages.h"

namespace {

using enginetest::expectMatchesReference;

// One pixel of current and scratch composed with strength s.
int composedByte(int current, int scratch, double strength)
{
    ImagePlanes image;
    image.allocatePlanes(1, 1);
    image.current = {static_cast<std::uint8_t>(current), 0, 0, 0};
    image.scratch = {static_cast<std::uint8_t>(scratch), 0, 0, 0};
    composeWithScratch(image, strength);
    return image.result[0];
}

TEST(ComposeWithScratch, WorkedValues)
{
    EXPECT_EQ(composedByte(100, 90, 0.3), 103);
    EXPECT_EQ(composedByte(100, 97, 0.3), 100) << "100.9 is truncated, not rounded";
    EXPECT_EQ(composedByte(200, 100, -0.9), 110);
    EXPECT_EQ(composedByte(250, 100, 3.0), 255);
    EXPECT_EQ(composedByte(10, 200, 3.0), 0);
}

TEST(ComposeWithScratch, StrengthMinusOneCopiesScratchAndZeroCopiesCurrent)
{
    const ImagePlanes input = testsupport::noisyImage(7, 5, 21);
    ImagePlanes toScratch = input;
    composeWithScratch(toScratch, -1.0);
    ImagePlanes toCurrent = input;
    composeWithScratch(toCurrent, 0.0);
    for (int y = 0; y < input.height; ++y) {
        for (int i = 0; i < 3 * input.width; ++i) {
            const std::size_t at = y * input.stride() + i;
            ASSERT_EQ(toScratch.result[at], input.scratch[at]);
            ASSERT_EQ(toCurrent.result[at], input.current[at]);
        }
        // Padding bytes of result are never written by the pixel loop.
        ASSERT_EQ(toScratch.result[y * input.stride() + 21], input.result[y * input.stride() + 21]);
    }
    EXPECT_EQ(toScratch.scratch, std::vector<std::uint8_t>(input.planeBytes(), 0));
}

TEST(ComposeWithScratchPreview, WritesAndClearsOnlyTheRectangle)
{
    // The twin's cost follows the rectangle: outside it neither result nor
    // scratch is touched (scratch is zero there between operations).
    const ImagePlanes input = testsupport::noisyImage(11, 9, 22);
    const PreviewRect rect{3, 2, 5, 4};
    ImagePlanes image = input;
    composeWithScratchPreview(image, rect, 0.3);
    for (int y = 0; y < input.height; ++y) {
        for (std::size_t i = 0; i < input.stride(); ++i) {
            const std::size_t at = y * input.stride() + i;
            const int x = static_cast<int>(i / 3);
            const bool inside =
                i < 3u * input.width && x >= rect.x0 && x < rect.x0 + rect.w && y >= rect.y0 && y < rect.y0 + rect.h;
            ASSERT_EQ(image.scratch[at], inside ? 0 : input.scratch[at]) << "row " << y << " byte " << i;
            if (!inside) {
                ASSERT_EQ(image.result[at], input.result[at]) << "row " << y << " byte " << i;
            }
        }
    }
}

TEST(ComposeWithScratchPreview, OverTheWholeImageEqualsTheFullForm)
{
    const ImagePlanes input = testsupport::noisyImage(13, 6, 23);
    ImagePlanes full = input;
    composeWithScratch(full, 1.25);
    ImagePlanes twin = input;
    composeWithScratchPreview(twin, PreviewRect{0, 0, 13, 6}, 1.25);
    EXPECT_TRUE(testsupport::imagesEqual(full, twin));
}

// The strengths the effect modes derive from the effect slider e (1 to 100),
// plus the fixed strengths of the direct commands.
double modeStrength(std::mt19937& rng)
{
    const double e = std::uniform_int_distribution<int>(1, 100)(rng);
    switch (std::uniform_int_distribution<int>(0, 7)(rng)) {
    case 0: return e / 100 * 3;
    case 1: return -e / 100 * 0.9;
    case 2: return e / 100 * 5;
    case 3: return e / 100;
    case 4: return -e / 100;
    case 5: return 1.25;
    case 6: return 1.5;
    default: return std::uniform_real_distribution<double>(-1.0, 5.0)(rng);
    }
}

// The full form and the twin on a random rectangle against the reference,
// `rounds` times per size with the modes' strengths.
void expectBothFormsMatchReference(const std::vector<std::pair<int, int>>& sizes, int rounds, std::uint32_t rngSeed,
                                   std::uint32_t seed)
{
    std::mt19937 rng(rngSeed);
    for (const auto& [width, height] : sizes) {
        for (int round = 0; round < rounds; ++round) {
            const double strength = modeStrength(rng);
            const ImagePlanes input = testsupport::noisyImage(width, height, seed++);
            expectMatchesReference(
                input, [&](ImagePlanes& image) { composeWithScratch(image, strength); },
                [&](ImagePlanes& image) { reference::composeWithScratch(image, strength); },
                "strength " + std::to_string(strength));
            const PreviewRect rect = enginetest::randomRect(input, rng);
            expectMatchesReference(
                input, [&](ImagePlanes& image) { composeWithScratchPreview(image, rect, strength); },
                [&](ImagePlanes& image) { reference::composeWithScratchPreview(image, rect, strength); },
                "strength " + std::to_string(strength) + " " + enginetest::describe(rect));
        }
    }
}

TEST(ComposeWithScratchDifferential, FullAndPreviewForms)
{
    expectBothFormsMatchReference({{1, 1}, {1, 17}, {17, 1}, {2, 3}, {5, 5}, {33, 20}, {64, 7}}, 4, 31, 500);
}

// Rows of whole and partial blocks of 64 bytes, and rectangles starting at
// odd columns, so that every split of a row into vector blocks is compared.
TEST(ComposeWithScratchDifferential, RowsAroundTheVectorBlocks)
{
    expectBothFormsMatchReference({{21, 3}, {22, 2}, {43, 3}, {101, 4}, {257, 3}}, 3, 37, 700);
}

// Strengths far outside what the modes pass: values beyond the range of a
// 32-bit integer, infinities and NaN still follow the byte rule.
TEST(ComposeWithScratchDifferential, ExtremeStrengths)
{
    const double infinity = std::numeric_limits<double>::infinity();
    std::uint32_t seed = 800;
    for (const double strength : {3e7, -3e7, 1e300, -1e300, infinity, -infinity, std::nan("")}) {
        const ImagePlanes input = testsupport::noisyImage(37, 3, seed++);
        expectMatchesReference(
            input, [&](ImagePlanes& image) { composeWithScratch(image, strength); },
            [&](ImagePlanes& image) { reference::composeWithScratch(image, strength); },
            "strength " + std::to_string(strength));
    }
}

} // namespace
