// The luminance rank filter: differential tests against the naive reference
// for radii 1 to 10 on awkward sizes, regions and thread counts, and the
// window sizes and ranks that pin the rule.
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "effects/EffectsTestHelpers.h"
#include "effects/LuminanceRankFilter.h"

namespace {

using effectstest::awkwardSizes;
using effectstest::randomRect;
using effectstest::testPhoto;
using effectstest::toReference;

TEST(LuminanceRankFilter, MatchesReferenceForEveryRadius)
{
    std::mt19937 rng(77);
    std::uint32_t seed = 500;
    std::vector<std::pair<int, int>> sizes = awkwardSizes();
    sizes.emplace_back(64, 47);  // a wide interior for radius 10
    sizes.emplace_back(530, 12); // rows of three column strips
    for (const auto& [width, height] : sizes) {
        for (int trial = 0; trial < 4; ++trial, ++seed) {
            const int radius = std::uniform_int_distribution<int>(1, 10)(rng);
            const ImagePlanes original = testPhoto(width, height, seed);
            const bool full = trial % 2 == 0;
            const PreviewRect rect = full ? PreviewRect{0, 0, width, height} : randomRect(original, rng);
            ImagePlanes want = original;
            reference::luminanceRankFilter(want, radius, toReference(rect));
            for (int threads : testsupport::kThreadCounts) {
                testsupport::ScopedThreadCount scope(threads);
                ImagePlanes got = original;
                full ? luminanceRankFilter(got, radius) : luminanceRankFilterPreview(got, rect, radius);
                ASSERT_TRUE(testsupport::imagesEqual(want, got))
                    << width << "x" << height << " r " << radius << (full ? " full" : " preview") << ", "
                    << threads << " threads";
            }
        }
    }
}

TEST(LuminanceRankFilter, PreviewEqualsFullInsideTheRegion)
{
    const ImagePlanes original = testPhoto(40, 30, 3);
    ImagePlanes full = original;
    luminanceRankFilter(full, 4);
    ImagePlanes preview = original;
    const PreviewRect region{3, 25, 30, 5};
    luminanceRankFilterPreview(preview, region, 4);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 3 && x < 33 && y >= 25;
            const std::size_t p = y * original.stride() + 3 * x;
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(preview.scratch[p + c], inside ? full.scratch[p + c] : original.scratch[p + c]);
            }
        }
    }
}

ImagePlanes uniform(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    ImagePlanes image;
    image.allocatePlanes(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t p = y * image.stride() + 3 * x;
            image.current[p] = blue;
            image.current[p + 1] = green;
            image.current[p + 2] = red;
        }
    }
    return image;
}

TEST(LuminanceRankFilter, UniformPhotoIsCopied)
{
    ImagePlanes image = uniform(23, 17, 40, 90, 200);
    luminanceRankFilter(image, 10);
    EXPECT_TRUE(testsupport::planesEqual(image.current, image.scratch, 23));
}

// Sets the blue byte of pixel (x, y).
void setBlue(ImagePlanes& image, int x, int y, std::uint8_t value)
{
    image.current[y * image.stride() + 3 * x] = value;
}

std::uint8_t scratchBlue(const ImagePlanes& image, int x, int y)
{
    return image.scratch[y * image.stride() + 3 * x];
}

TEST(LuminanceRankFilter, CornerWindowHoldsHundredTwentyOneSamples)
{
    // Red and green 200 everywhere; blue 0..120 distinct over the corner's
    // 11 x 11 window (255 elsewhere), so the output blue is the rank itself.
    ImagePlanes image = uniform(31, 31, 255, 200, 200);
    for (int y = 0; y <= 10; ++y) {
        for (int x = 0; x <= 10; ++x) {
            setBlue(image, x, y, static_cast<std::uint8_t>(11 * y + x));
        }
    }
    // Centre (0, 0) has blue 0: Y = 178, rank (178 x 120) / 255 = 83.76.
    luminanceRankFilter(image, 10);
    EXPECT_EQ(scratchBlue(image, 0, 0), 83);
}

TEST(LuminanceRankFilter, EdgeWindowHoldsTwoHundredThirtyOneSamples)
{
    // Middle of the first row, x = 15: window columns 5..25, rows 0..10.
    ImagePlanes image = uniform(31, 31, 255, 200, 200);
    for (int y = 0; y <= 10; ++y) {
        for (int x = 5; x <= 25; ++x) {
            setBlue(image, x, y, static_cast<std::uint8_t>(21 * y + (x - 5)));
        }
    }
    // Centre blue 10: Y = 179.1, rank (179.1 x 230) / 255 = 161.5.
    luminanceRankFilterPreview(image, PreviewRect{15, 0, 1, 1}, 10);
    EXPECT_EQ(scratchBlue(image, 15, 0), 161);
}

TEST(LuminanceRankFilter, PureRedCentreTakesRankTwo)
{
    // Neighbours have red 10..80 and green and blue 10..80 in another order;
    // the centre (255, 0, 0) has Y = 76.5, and 76.5 x 8 / 255 = 2.4.
    ImagePlanes image;
    image.allocatePlanes(3, 3);
    int k = 0;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            const std::size_t p = y * image.stride() + 3 * x;
            if (x == 1 && y == 1) {
                image.current[p + 2] = 255;
                continue;
            }
            ++k;
            image.current[p + 2] = static_cast<std::uint8_t>(10 * k);
            image.current[p + 1] = static_cast<std::uint8_t>(90 - 10 * k);
            image.current[p] = static_cast<std::uint8_t>(10 * ((k * 3) % 8 + 1));
        }
    }
    luminanceRankFilter(image, 1);
    const std::size_t centre = image.stride() + 3;
    EXPECT_EQ(image.scratch[centre + 2], 30); // 10 20 [30] ... 80 255
    EXPECT_EQ(image.scratch[centre + 1], 20); // 0 10 [20] ... 80
    EXPECT_EQ(image.scratch[centre], 20);
}

TEST(LuminanceRankFilter, BlackTakesMinimumAndWhiteMaximum)
{
    ImagePlanes image = testsupport::randomImage(9, 9, 12);
    const std::size_t black = 4 * image.stride() + 3 * 4;
    const std::size_t white = 4 * image.stride() + 3 * 5;
    std::fill_n(image.current.begin() + black, 3, 0);
    std::fill_n(image.current.begin() + white, 3, 255);
    luminanceRankFilter(image, 1);
    for (int c = 0; c < 3; ++c) {
        std::uint8_t low = 255;
        std::uint8_t high = 0;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                low = std::min(low, image.current[(4 + dy) * image.stride() + 3 * (4 + dx) + c]);
                high = std::max(high, image.current[(4 + dy) * image.stride() + 3 * (5 + dx) + c]);
            }
        }
        EXPECT_EQ(image.scratch[black + c], low);
        EXPECT_EQ(image.scratch[white + c], high);
    }
}

TEST(LuminanceRankFilter, RadiusZeroCopiesThePhoto)
{
    ImagePlanes image = testsupport::noisyImage(7, 5, 4);
    luminanceRankFilter(image, 0);
    for (int y = 0; y < 5; ++y) {
        for (int b = 0; b < 21; ++b) {
            ASSERT_EQ(image.scratch[y * image.stride() + b], image.current[y * image.stride() + b]);
        }
    }
}

TEST(LuminanceRankFilter, WindowsBeyondSixteenBitCountsMatchReference)
{
    // Radius 130: (2r + 1)^2 exceeds 65535, so the counts are 32-bit; every
    // window is clipped to the whole photo.
    const ImagePlanes original = testPhoto(11, 6, 8);
    ImagePlanes want = original;
    reference::luminanceRankFilter(want, 130, reference::whole(want));
    ImagePlanes got = original;
    luminanceRankFilter(got, 130);
    EXPECT_TRUE(testsupport::imagesEqual(want, got));
}

} // namespace
