// The sampled average colour: differential tests against the naive reference
// on rectangles inside, across and outside the photo, and the truncation.
#include <cstdint>
#include <random>

#include <gtest/gtest.h>

#include "effects/ColourSampling.h"
#include "effects/EffectsTestHelpers.h"

namespace {

using effectstest::awkwardSizes;
using effectstest::testPhoto;

TEST(ColourSampling, MatchesReferenceOnRectanglesAcrossTheEdges)
{
    std::mt19937 rng(31);
    std::uint32_t seed = 1000;
    for (const auto& [width, height] : awkwardSizes()) {
        const ImagePlanes image = testPhoto(width, height, seed++);
        for (int trial = 0; trial < 6; ++trial) {
            auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
            const int x0 = pick(-12, width);
            const int y0 = pick(-12, height);
            const int w = pick(1, 30);
            const int h = pick(1, 30);
            const std::uint32_t want = reference::sampleAverageColour(image, x0, y0, w, h);
            for (int threads : testsupport::kThreadCounts) {
                testsupport::ScopedThreadCount scope(threads);
                ASSERT_EQ(sampleAverageColour(image, x0, y0, w, h), want)
                    << width << "x" << height << " at " << x0 << "," << y0 << " " << w << "x" << h;
            }
        }
    }
}

TEST(ColourSampling, MeansAreTruncated)
{
    // Red 10 in the lower half, 11 in the upper half; green 7, blue 200.
    ImagePlanes image;
    image.allocatePlanes(10, 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const std::size_t p = y * image.stride() + 3 * x;
            image.current[p] = 200;
            image.current[p + 1] = 7;
            image.current[p + 2] = y < 5 ? 10 : 11;
        }
    }
    const std::uint32_t colour = sampleAverageColour(image, 0, 0, 10, 10);
    EXPECT_EQ(colour & 0xFF, 10u);
    EXPECT_EQ((colour >> 8) & 0xFF, 7u);
    EXPECT_EQ(colour >> 16, 200u);
}

TEST(ColourSampling, RectangleOutsideThePhotoGivesBlack)
{
    const ImagePlanes image = testPhoto(8, 8, 2);
    EXPECT_EQ(sampleAverageColour(image, 8, 0, 5, 5), 0u);
    EXPECT_EQ(sampleAverageColour(image, -5, -5, 5, 5), 0u);
}

TEST(ColourSampling, SideTenAveragesExactlyOneHundredPixels)
{
    // One red 100 at the square's far corner and 255 just outside it: the
    // mean is 1 only if exactly the 100 pixels of the square are summed.
    ImagePlanes image;
    image.allocatePlanes(20, 20);
    auto red = [&](int x, int y) -> std::uint8_t& { return image.current[y * image.stride() + 3 * x + 2]; };
    red(12, 14) = 100;
    red(13, 14) = 255;
    red(12, 15) = 255;
    red(2, 4) = 255;
    EXPECT_EQ(sampleAverageColour(image, 3, 5, 10, 10), 1u);
}

} // namespace
