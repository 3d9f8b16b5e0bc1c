// The weighted medians and the outlier replacement: differential tests
// against the naive reference for the radii and steps the commands pass (and
// smaller steps), and the sample counts and threshold that pin the rule.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "effects/EffectsTestHelpers.h"
#include "effects/MedianFilters.h"

namespace {

using effectstest::awkwardSizes;
using effectstest::testPhoto;

// The row pass, the column pass and (with `outliers`) the replacement of
// outliers, each stage's planes against the reference with 1, 2 and 3 threads.
void expectStagesMatchReference(const ImagePlanes& original, int radius, int step, bool outliers)
{
    ImagePlanes want = original;
    reference::weightedMedianRows(want, radius, step);
    const ImagePlanes afterRows = want;
    reference::weightedMedianColumns(want, radius, step);
    const ImagePlanes afterColumns = want;
    reference::replaceOutlierPixels(want);
    const std::string what = std::to_string(original.width) + "x" + std::to_string(original.height) + " r " +
                             std::to_string(radius) + " b " + std::to_string(step);
    for (int threads : testsupport::kThreadCounts) {
        testsupport::ScopedThreadCount scope(threads);
        ImagePlanes got = original;
        weightedMedianRows(got, radius, step);
        ASSERT_TRUE(testsupport::imagesEqual(afterRows, got)) << "rows " << what << ", " << threads;
        weightedMedianColumns(got, radius, step);
        ASSERT_TRUE(testsupport::imagesEqual(afterColumns, got)) << "columns " << what << ", " << threads;
        if (outliers) {
            replaceOutlierPixels(got);
            ASSERT_TRUE(testsupport::imagesEqual(want, got)) << "outliers " << what << ", " << threads;
        }
    }
}

TEST(MedianFilters, MatchReferenceForCommandRadiiAndSmallerSteps)
{
    const std::pair<int, int> windows[] = {{5, 5}, {10, 10}, {10, 5}, {5, 2}, {10, 3}, {5, 1}, {10, 11}, {10, 1}, {20, 1}};
    std::vector<std::pair<int, int>> sizes = awkwardSizes();
    sizes.emplace_back(130, 41); // rows of several 64-byte lane blocks
    std::uint32_t seed = 700;
    for (const auto& [width, height] : sizes) {
        for (const auto& [radius, step] : windows) {
            expectStagesMatchReference(testPhoto(width, height, seed++), radius, step, true);
        }
    }
}

TEST(MedianFilters, MatchReferenceAroundTheWindowLength)
{
    // Lines just shorter and longer than a window (where pad positions stand
    // in for the clipped ones), single rows and columns, row counts of every
    // remainder by the group of rows computed together, and rows whose bytes
    // end inside a lane block.
    const std::pair<int, int> windows[] = {{10, 10}, {5, 5}, {10, 5}, {10, 3}, {1, 1}, {5, 9}};
    const std::pair<int, int> sizes[] = {{20, 20}, {21, 21}, {22, 23}, {10, 11}, {11, 10}, {12, 13}, {1, 40},
                                         {40, 1}, {2, 42}, {42, 2}, {43, 24}, {27, 25}, {33, 26}, {64, 27}};
    std::uint32_t seed = 800;
    for (const auto& [width, height] : sizes) {
        for (const auto& [radius, step] : windows) {
            expectStagesMatchReference(testPhoto(width, height, seed++), radius, step, false);
        }
    }
}

TEST(MedianFilters, ColumnsReadScratchRowsWithNoise)
{
    // The column pass on its own, from a noisy scratch (not a row median).
    std::uint32_t seed = 900;
    for (const auto& [width, height] : awkwardSizes()) {
        const ImagePlanes original = testPhoto(width, height, seed++);
        ImagePlanes want = original;
        reference::weightedMedianColumns(want, 10, 5);
        ImagePlanes got = original;
        weightedMedianColumns(got, 10, 5);
        ASSERT_TRUE(testsupport::imagesEqual(want, got)) << width << "x" << height;
    }
}

// A one-row photo whose red byte at column q is red[q] (green, blue 0).
ImagePlanes redRow(const std::vector<int>& red)
{
    ImagePlanes image;
    image.allocatePlanes(static_cast<int>(red.size()), 1);
    for (std::size_t q = 0; q < red.size(); ++q) {
        image.current[3 * q + 2] = static_cast<std::uint8_t>(red[q]);
    }
    return image;
}

TEST(MedianFilters, RowStartTakesTheSixthOfElevenAndTwelveSamples)
{
    // Falling values: column q holds 200 - 10 q.
    std::vector<int> red(30);
    for (int q = 0; q < 30; ++q) {
        red[q] = 200 - 5 * q;
    }
    ImagePlanes image = redRow(red);
    weightedMedianRows(image, 10, 10);
    // Column 0: samples 0..10 (11), the 6th smallest is column 5's 175.
    EXPECT_EQ(image.scratch[2], 175);
    // Column 1: samples 0..11 (12), the lower middle is the 6th smallest, column 6's 170.
    EXPECT_EQ(image.scratch[3 + 2], 170);
}

TEST(MedianFilters, SmallerStepCountsTheInnerRunTwice)
{
    // r 10, b 5 at column 20 of 41: runs 10..30 and 15..25, 32 samples,
    // m = 15. The outer ten are 0 and the inner run counts twice, so the
    // 16th smallest is the 6th of 15 15 16 16 17 17 ...: 17.
    std::vector<int> red(41, 0);
    for (int q = 15; q <= 25; ++q) {
        red[q] = q;
    }
    ImagePlanes image = redRow(red);
    weightedMedianRows(image, 10, 5);
    EXPECT_EQ(image.scratch[3 * 20 + 2], 17);
}

TEST(MedianFilters, OutlierThresholdThirtyKeptThirtyOneReplaced)
{
    ImagePlanes image;
    image.allocatePlanes(2, 1);
    std::fill_n(image.current.begin(), 6, 100);
    const std::uint8_t median[6] = {110, 110, 110, 111, 110, 110};
    std::copy(std::begin(median), std::end(median), image.scratch.begin());
    replaceOutlierPixels(image);
    EXPECT_EQ(image.result[0], 100); // d = 30 keeps the pixel
    EXPECT_EQ(image.result[3], 111); // d = 31 takes the median
    EXPECT_EQ(image.result[4], 110);
    EXPECT_TRUE(testsupport::planesEqual(std::vector<std::uint8_t>(image.planeBytes(), 0), image.scratch, 2));
}

TEST(MedianFilters, SingleWhitePixelOnBlackIsRemoved)
{
    ImagePlanes image;
    image.allocatePlanes(25, 25);
    const std::size_t spot = 12 * image.stride() + 3 * 12;
    std::fill_n(image.current.begin() + spot, 3, 255);
    weightedMedianRows(image, 10, 10);
    weightedMedianColumns(image, 10, 10);
    replaceOutlierPixels(image);
    for (int y = 0; y < 25; ++y) {
        for (int b = 0; b < 75; ++b) {
            ASSERT_EQ(image.result[y * image.stride() + b], 0);
        }
    }
    EXPECT_TRUE(testsupport::planesEqual(std::vector<std::uint8_t>(image.planeBytes(), 0), image.scratch, 25));
}

TEST(MedianFilters, UniformPhotoPassesUnchanged)
{
    ImagePlanes image = testsupport::randomImage(17, 13, 3);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 17; ++x) {
            const std::size_t p = y * image.stride() + 3 * x;
            image.current[p] = 9;
            image.current[p + 1] = 99;
            image.current[p + 2] = 199;
        }
    }
    weightedMedianRows(image, 5, 5);
    weightedMedianColumns(image, 5, 5);
    for (int y = 0; y < 13; ++y) {
        for (int b = 0; b < 51; ++b) {
            EXPECT_EQ(image.scratch[y * image.stride() + b], image.current[y * image.stride() + b]);
        }
    }
    replaceOutlierPixels(image);
    for (int y = 0; y < 13; ++y) {
        for (int b = 0; b < 51; ++b) {
            EXPECT_EQ(image.result[y * image.stride() + b], image.current[y * image.stride() + b]);
        }
    }
}

TEST(MedianFilters, DegenerateWindowIsThePixelAlone)
{
    // Radius 0 and step 0 are not passed by any command; they must neither
    // loop forever nor read outside the line.
    const ImagePlanes original = testsupport::noisyImage(9, 4, 21);
    ImagePlanes image = original;
    weightedMedianRows(image, 0, 0);
    for (int y = 0; y < 4; ++y) {
        for (int b = 0; b < 27; ++b) {
            ASSERT_EQ(image.scratch[y * image.stride() + b], image.current[y * image.stride() + b]);
        }
    }
    ImagePlanes stepZero = original;
    ImagePlanes stepOne = original;
    weightedMedianRows(stepZero, 3, 0);
    weightedMedianRows(stepOne, 3, 1);
    EXPECT_TRUE(testsupport::imagesEqual(stepOne, stepZero));
}

} // namespace
