// Triangle blur: the weight tables, the worked rows, the plane effects of
// both passes and of the preview, and differential runs against the naive
// reference on awkward sizes with 1, 2 and 3 threads.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DifferentialSupport.h"
#include "engine/SeparableBlur.h"
#include "engine/TriangleBlur.h"
#include "reference/ReferenceEngine.h"
#include "support/TestImages.h"

namespace {

using enginetest::channelRows;
using enginetest::expectMatchesReference;
using enginetest::greyPhoto;

// Both passes, one after the other, against the reference.
void expectBothPassesMatchReference(const ImagePlanes& input, int radius, int divisor, const std::string& what)
{
    expectMatchesReference(
        input,
        [&](ImagePlanes& image) {
            triangleBlurRows(image, radius, divisor);
            triangleBlurColumns(image, radius, divisor);
        },
        [&](ImagePlanes& image) {
            reference::triangleBlurRows(image, radius, divisor);
            reference::triangleBlurColumns(image, radius, divisor);
        },
        what + " rows and columns");
}

TEST(TriangleWeights, FallOffByTheDivisor)
{
    ImagePlanes large;
    large.width = 100;
    large.height = 100;
    EXPECT_EQ(engine::triangleWeights(3, 1, large), (std::vector<std::int32_t>{4, 3, 2, 1}));
    EXPECT_EQ(engine::triangleWeights(3, 3, large), (std::vector<std::int32_t>{2, 1, 1, 1}));
    EXPECT_EQ(engine::triangleWeights(10, 10, large), (std::vector<std::int32_t>{2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(reference::triangleWeights(3, 1), (std::vector<std::int32_t>{4, 3, 2, 1}));
    EXPECT_EQ(reference::triangleWeights(3, 3), (std::vector<std::int32_t>{2, 1, 1, 1}));
}

TEST(TriangleBlur, WorkedRows)
{
    struct Case {
        int radius;
        int divisor;
        std::vector<int> row;
        std::vector<int> blurred;
    };
    const Case cases[] = {
        {1, 1, {0, 90, 0, 90, 0}, {30, 45, 45, 45, 30}},
        {3, 1, {0, 0, 0, 80, 0, 0, 0}, {8, 12, 16, 20, 16, 12, 8}},
        {3, 3, {0, 0, 0, 80, 0, 0, 0}, {16, 13, 11, 20, 11, 13, 16}},
    };
    for (const Case& c : cases) {
        ImagePlanes engineImage = greyPhoto({c.row});
        ImagePlanes referenceImage = engineImage;
        triangleBlurRows(engineImage, c.radius, c.divisor);
        reference::triangleBlurRows(referenceImage, c.radius, c.divisor);
        EXPECT_EQ(channelRows(engineImage, engineImage.scratch), std::vector<std::vector<int>>{c.blurred});
        EXPECT_EQ(channelRows(referenceImage, referenceImage.scratch), std::vector<std::vector<int>>{c.blurred});
        EXPECT_TRUE(enginetest::channelsAgree(engineImage, engineImage.scratch));

        // The same line standing upright blurs the same in the column pass.
        std::vector<std::vector<int>> column;
        for (const int value : c.row) {
            column.push_back({value});
        }
        ImagePlanes upright = greyPhoto(column);
        upright.scratch = upright.current;
        triangleBlurColumns(upright, c.radius, c.divisor);
        std::vector<std::vector<int>> expected;
        for (const int value : c.blurred) {
            expected.push_back({value});
        }
        EXPECT_EQ(channelRows(upright, upright.scratch), expected);
    }
}

TEST(TriangleBlur, FlatPhotoIsUnchangedAndResultEndsZero)
{
    ImagePlanes image = testsupport::randomImage(31, 12, 4);
    enginetest::fillFlat(image, 200, -70);
    triangleBlurRows(image, 6, 1);
    triangleBlurColumns(image, 6, 1);
    EXPECT_EQ(channelRows(image, image.current, 1), channelRows(image, image.scratch, 1));
    EXPECT_EQ(image.result, std::vector<std::uint8_t>(image.planeBytes(), 0));
    EXPECT_EQ(image.scratch[image.stride() - 1], 255) << "row padding comes from result";
}

TEST(TriangleBlurDifferential, BothPassesOnAwkwardSizes)
{
    std::mt19937 rng(5);
    std::uint32_t seed = 1;
    for (int round = 0; round < 30; ++round) {
        const int radius = round < 3 ? (round == 0   ? 1
                                        : round == 1 ? 11
                                                     : 26)
                                     : std::uniform_int_distribution<int>(1, 26)(rng);
        const int divisors[] = {1, radius, 10};
        const int divisor = divisors[round % 3];
        const int r2 = 2 * radius;
        const std::vector<std::pair<int, int>> sizes = {{1, 1},  {1, 9},      {9, 1},           {r2, 3},    {r2 + 1, 2},
                                                        {3, r2}, {2, r2 + 1}, {r2 - 1, r2 + 2}, {r2 + 3, 5}};
        for (const auto& [width, height] : sizes) {
            if (width < 1 || height < 1) {
                continue;
            }
            const ImagePlanes input = testsupport::noisyImage(width, height, seed++);
            const std::string what = "radius " + std::to_string(radius) + " divisor " + std::to_string(divisor);
            expectMatchesReference(
                input, [&](ImagePlanes& image) { triangleBlurRows(image, radius, divisor); },
                [&](ImagePlanes& image) { reference::triangleBlurRows(image, radius, divisor); }, what + " rows");
            expectBothPassesMatchReference(input, radius, divisor, what);
        }
    }
}

TEST(TriangleBlurDifferential, PreviewOnRandomRectangles)
{
    std::mt19937 rng(91);
    std::uint32_t seed = 300;
    for (int round = 0; round < 40; ++round) {
        const int radius = std::uniform_int_distribution<int>(1, 26)(rng);
        const int divisor = round % 2 == 0 ? 1 : radius;
        const int width = std::uniform_int_distribution<int>(1, 60)(rng);
        const int height = std::uniform_int_distribution<int>(1, 50)(rng);
        const ImagePlanes input = round % 3 == 0 ? testsupport::randomImage(width, height, seed++)
                                                 : testsupport::noisyImage(width, height, seed++);
        const PreviewRect rect = enginetest::randomRect(input, rng);
        expectMatchesReference(
            input, [&](ImagePlanes& image) { triangleBlurPreview(image, rect, radius, divisor); },
            [&](ImagePlanes& image) { reference::triangleBlurPreview(image, rect, radius, divisor); },
            "radius " + std::to_string(radius) + " " + enginetest::describe(rect));
    }
}

// Where the passes change their way of working: a window total of 256
// (radius 15, divisor 1) still sums in 16-bit lanes and 289 (radius 16) no
// longer does; rows of 510 to 516 bytes end just before, on and after a run
// of the tap form; heights past 2 radius + 1 wrap the ring of rows; radius
// 130 has weights too large for 16-bit lanes and takes the box form.
TEST(TriangleBlurDifferential, WhereTheSumsAndRunsChange)
{
    std::uint32_t seed = 700;
    const std::vector<std::pair<int, int>> sizes = {{170, 40}, {171, 37}, {172, 3}, {341, 34}, {343, 1}, {1, 70}};
    for (const auto& [radius, divisor] : std::vector<std::pair<int, int>>{{15, 1}, {16, 1}, {11, 11}, {130, 1}}) {
        for (const auto& [width, height] : sizes) {
            const ImagePlanes input = testsupport::noisyImage(width, height, seed++);
            const std::string what = "radius " + std::to_string(radius) + " divisor " + std::to_string(divisor);
            expectBothPassesMatchReference(input, radius, divisor, what);
            const PreviewRect rect{width / 3, height / 4, width - width / 3, std::max(1, height / 2)};
            expectMatchesReference(
                input, [&](ImagePlanes& image) { triangleBlurPreview(image, rect, radius, divisor); },
                [&](ImagePlanes& image) { reference::triangleBlurPreview(image, rect, radius, divisor); },
                what + " " + enginetest::describe(rect));
        }
    }
}

} // namespace
