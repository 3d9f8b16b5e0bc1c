// Unsharp mask: the worked 3 x 3 photo (including the corner stored as 99),
// flat windows reducing to the plain compose, the plane effects, and
// differential runs against the naive reference on awkward sizes.
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "DifferentialSupport.h"
#include "engine/ComposeWithScratch.h"
#include "engine/UnsharpMask.h"
#include "reference/ReferenceEngine.h"
#include "support/TestImages.h"

namespace {

using enginetest::channelRows;
using enginetest::expectMatchesReference;
using enginetest::greyPhoto;

ImagePlanes workedPhoto()
{
    ImagePlanes image = greyPhoto({{100, 100, 100}, {100, 130, 100}, {100, 100, 100}});
    const ImagePlanes operand = greyPhoto({{100, 100, 100}, {100, 110, 100}, {100, 100, 100}});
    image.scratch = operand.current;
    return image;
}

TEST(UnsharpMask, WorkedThreeByThreePhoto)
{
    ImagePlanes engineImage = workedPhoto();
    ImagePlanes referenceImage = engineImage;
    unsharpMask(engineImage, 1, 0.5);
    reference::unsharpMask(referenceImage, 1, 0.5);
    for (const ImagePlanes* image : {&engineImage, &referenceImage}) {
        const std::vector<std::vector<int>> rows = channelRows(*image, image->result);
        EXPECT_EQ(rows[1][1], 139);
        // Both planes hold 100 at the corner, yet the grouping of the rule
        // gives 99.99999999999997.
        EXPECT_EQ(rows[0][0], 99);
        EXPECT_EQ(rows[2][2], 99);
        EXPECT_TRUE(enginetest::channelsAgree(*image, image->result));
        EXPECT_EQ(image->scratch, std::vector<std::uint8_t>(image->planeBytes(), 0));
    }
    EXPECT_TRUE(testsupport::imagesEqual(referenceImage, engineImage));
}

TEST(UnsharpMask, EvenlySplitWindowHalvesTheStrength)
{
    // Every window holds 0 and 255: deviation 127.5, factor 0.5. A negative
    // amount keeps the values off the clamps: 0 + 0.5 x 0.5 x 200 = 50 and
    // 255 - 0.5 x 0.5 x 200 = 205 (a factor of 1 would give 100 and 155).
    ImagePlanes image = greyPhoto({{0, 255}});
    image.scratch = greyPhoto({{200, 55}}).current;
    ImagePlanes referenceImage = image;
    unsharpMask(image, 1, -0.5);
    reference::unsharpMask(referenceImage, 1, -0.5);
    EXPECT_EQ(channelRows(image, image.result), (std::vector<std::vector<int>>{{50, 205}}));
    EXPECT_TRUE(testsupport::imagesEqual(referenceImage, image));
}

TEST(UnsharpMask, FlatWindowsGiveThePlainCompose)
{
    ImagePlanes input = testsupport::noisyImage(9, 8, 41);
    enginetest::fillFlat(input, 60, 50);
    ImagePlanes sharpened = input;
    unsharpMask(sharpened, 3, 2.5);
    ImagePlanes composed = input;
    composeWithScratch(composed, 2.5);
    EXPECT_TRUE(testsupport::imagesEqual(composed, sharpened));
}

TEST(UnsharpMaskPreview, OverTheWholeImageEqualsTheFullForm)
{
    const ImagePlanes input = testsupport::noisyImage(23, 14, 42);
    ImagePlanes full = input;
    unsharpMask(full, 4, 1.5);
    ImagePlanes twin = input;
    unsharpMaskPreview(twin, PreviewRect{0, 0, 23, 14}, 4, 1.5);
    EXPECT_TRUE(testsupport::imagesEqual(full, twin));
}

// Windows whose stored byte the exact statistics cannot settle, so that the
// squared deviations summed in scan order decide it: `scratch` equal to
// `current` (the value then lies within rounding of the byte itself, as in
// the corner that stores 99), variances from a single step of 1 to the
// largest, and values on the clamps. Each image is built per byte by
// byteAt(x, y, channel), with `scratch` from scratchOf(current byte).
TEST(UnsharpMaskBound, EdgeWindowsMatchTheReference)
{
    struct Case {
        const char* what;
        int width;
        int height;
        int (*byteAt)(int x, int y, int channel);
        int (*scratchOf)(int current);
    };
    const auto same = [](int current) { return current; };
    const Case cases[] = {
        {"noise, scratch equal", 41, 29, [](int x, int y, int c) { return (x * 7919 + y * 104729 + c * 31) % 256; },
         same},
        {"one step of 1", 30, 27, [](int x, int y, int) { return x == 13 && y == 11 ? 121 : 120; }, same},
        {"gentle ramp", 33, 25, [](int x, int y, int c) { return 100 + (x + 2 * y + c) / 9; }, same},
        {"checkerboard 0 and 255", 26, 24, [](int x, int y, int) { return (x + y) % 2 == 0 ? 0 : 255; }, same},
        {"checkerboard, scratch opposite", 26, 24, [](int x, int y, int) { return (x + y) % 2 == 0 ? 0 : 255; },
         [](int current) { return 255 - current; }},
        {"near white", 31, 23, [](int x, int y, int c) { return 255 - (x * 3 + y * 5 + c) % 3; }, same},
        {"near black", 31, 23, [](int x, int y, int c) { return (x * 5 + y * 3 + c) % 3; }, same},
    };
    for (const Case& test : cases) {
        ImagePlanes input;
        input.allocatePlanes(test.width, test.height);
        const std::size_t stride = input.stride();
        for (int y = 0; y < test.height; ++y) {
            for (int x = 0; x < test.width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    const std::size_t at = y * stride + 3 * static_cast<std::size_t>(x) + c;
                    input.current[at] = static_cast<std::uint8_t>(test.byteAt(x, y, c));
                    input.scratch[at] = static_cast<std::uint8_t>(test.scratchOf(input.current[at]));
                }
            }
        }
        for (const int radius : {1, 2, 11}) {
            for (const double amount : {0.05, 0.5, 1.75, 5.0}) {
                expectMatchesReference(
                    input, [&](ImagePlanes& image) { unsharpMask(image, radius, amount); },
                    [&](ImagePlanes& image) { reference::unsharpMask(image, radius, amount); },
                    std::string(test.what) + ", radius " + std::to_string(radius) + " amount " +
                        std::to_string(amount));
            }
        }
    }
}

TEST(UnsharpMaskBound, ScratchEqualToCurrentTakesTheWrittenSums)
{
    // Where both planes agree the value sits within rounding of the byte, so
    // the bound leaves such bytes open and the written sums decide them.
    ImagePlanes image = testsupport::noisyImage(40, 30, 51);
    image.scratch = image.current;
    const std::uint64_t before = unsharpWrittenSums();
    unsharpMask(image, 11, 5.0);
    EXPECT_GT(unsharpWrittenSums(), before);
}

TEST(UnsharpMaskDifferential, FullFormOnAwkwardSizes)
{
    std::mt19937 rng(43);
    std::uint32_t seed = 700;
    for (const int radius : {1, 2, 6, 11}) {
        const int r2 = 2 * radius;
        const std::vector<std::pair<int, int>> sizes = {
            {1, 1}, {1, 15}, {15, 1}, {r2, r2}, {r2 + 1, r2}, {r2, r2 + 1}, {r2 + 1, 2}, {3, r2 + 2}, {r2 + 7, r2 + 4}};
        for (const auto& [width, height] : sizes) {
            // "くっきり" passes the effect slider / 100 x 5.
            const double amount = std::uniform_int_distribution<int>(1, 100)(rng) / 100.0 * 5;
            const ImagePlanes input = testsupport::noisyImage(width, height, seed++);
            expectMatchesReference(
                input, [&](ImagePlanes& image) { unsharpMask(image, radius, amount); },
                [&](ImagePlanes& image) { reference::unsharpMask(image, radius, amount); },
                "radius " + std::to_string(radius) + " amount " + std::to_string(amount));
        }
    }
}

TEST(UnsharpMaskDifferential, PreviewOnRandomRectangles)
{
    std::mt19937 rng(44);
    std::uint32_t seed = 800;
    for (int round = 0; round < 30; ++round) {
        const int radius = std::uniform_int_distribution<int>(1, 11)(rng);
        const double amount = std::uniform_int_distribution<int>(1, 100)(rng) / 100.0 * 5;
        const int width = std::uniform_int_distribution<int>(1, 40)(rng);
        const int height = std::uniform_int_distribution<int>(1, 30)(rng);
        const ImagePlanes input = testsupport::noisyImage(width, height, seed++);
        const PreviewRect rect = enginetest::randomRect(input, rng);
        expectMatchesReference(
            input, [&](ImagePlanes& image) { unsharpMaskPreview(image, rect, radius, amount); },
            [&](ImagePlanes& image) { reference::unsharpMaskPreview(image, rect, radius, amount); },
            "radius " + std::to_string(radius) + " " + enginetest::describe(rect));
    }
}

} // namespace
