// Gaussian blur: the weight tables, the worked rows, the plane effects of
// both passes and of the preview, and differential runs against the naive
// reference on awkward sizes with 1, 2 and 3 threads.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/GaussianBlur.h"
#include "engine/SeparableBlur.h"
#include "reference/ReferenceEngine.h"
#include "support/TestImages.h"
#include "DifferentialSupport.h"

namespace {

using enginetest::channelRows;
using enginetest::expectMatchesReference;
using enginetest::greyPhoto;

ImagePlanes sizedOnly(int width, int height)
{
    ImagePlanes image;
    image.width = width;
    image.height = height;
    return image;
}

// Both passes, one after the other, against the reference.
void expectBothPassesMatchReference(const ImagePlanes& input, double sigma, const std::string& what)
{
    expectMatchesReference(
        input,
        [&](ImagePlanes& image) {
            gaussianBlurRows(image, sigma);
            gaussianBlurColumns(image, sigma);
        },
        [&](ImagePlanes& image) {
            reference::gaussianBlurRows(image, sigma);
            reference::gaussianBlurColumns(image, sigma);
        },
        what + " rows and columns");
}

TEST(GaussianWeights, MatchTheWorkedTables)
{
    const ImagePlanes large = sizedOnly(1000, 1000);
    const std::vector<std::int32_t> sigma1 = {64, 38, 8, 0};
    const std::vector<std::int32_t> sigma2 = {64, 56, 38, 20, 8, 2, 0};
    const std::vector<std::int32_t> sigma3 = {64, 60, 51, 38, 26, 15, 8, 4, 1, 0};
    EXPECT_EQ(engine::gaussianWeights(1.0, large), sigma1);
    EXPECT_EQ(engine::gaussianWeights(2.0, large), sigma2);
    EXPECT_EQ(engine::gaussianWeights(3.0, large), sigma3);
    EXPECT_EQ(reference::gaussianWeights(1.0), sigma1);
    EXPECT_EQ(reference::gaussianWeights(2.0), sigma2);
    EXPECT_EQ(reference::gaussianWeights(3.0), sigma3);
    EXPECT_EQ(engine::gaussianWeights(2.5, large).size(), 8u);
    EXPECT_EQ(engine::gaussianWeights(100.0, large).size(), 301u);
    EXPECT_EQ(engine::gaussianWeights(100.0, large), reference::gaussianWeights(100.0));
}

TEST(GaussianWeights, StopAtTheImagesLongerSide)
{
    const std::vector<std::int32_t> full = reference::gaussianWeights(100.0);
    const std::vector<std::int32_t> cut = engine::gaussianWeights(100.0, sizedOnly(40, 7));
    ASSERT_EQ(cut.size(), 40u);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), full.begin()));
}

TEST(GaussianBlur, ImpulseRowSpreadsByTheWeights)
{
    ImagePlanes engineImage = greyPhoto({{0, 0, 100, 0, 0}});
    ImagePlanes referenceImage = engineImage;
    gaussianBlurRows(engineImage, 1.0);
    reference::gaussianBlurRows(referenceImage, 1.0);
    const std::vector<std::vector<int>> expected = {{7, 25, 41, 25, 7}};
    EXPECT_EQ(channelRows(engineImage, engineImage.scratch), expected);
    EXPECT_EQ(channelRows(referenceImage, referenceImage.scratch), expected);
    EXPECT_TRUE(enginetest::channelsAgree(engineImage, engineImage.scratch));
}

TEST(GaussianBlur, FlatPhotoAndTinySigmaLeaveThePhoto)
{
    // Flat colour: acc is value x total exactly. Sigma below 1/3 (and a
    // sigma of 0, which no slider passes) keeps only the centre tap.
    for (const double sigma : {0.0, 0.2, 1.0, 7.0}) {
        ImagePlanes image = testsupport::randomImage(23, 9, 3);
        if (sigma >= 1.0) {
            enginetest::fillFlat(image, 40, 90);
        }
        ImagePlanes blurred = image;
        gaussianBlurRows(blurred, sigma);
        gaussianBlurColumns(blurred, sigma);
        EXPECT_EQ(channelRows(image, image.current, 0), channelRows(blurred, blurred.scratch, 0)) << sigma;
        EXPECT_EQ(channelRows(image, image.current, 2), channelRows(blurred, blurred.scratch, 2)) << sigma;
    }
}

TEST(GaussianBlur, ColumnPassMovesResultIntoScratch)
{
    // Width 5: each row carries one padding byte, 255 in result after a load.
    ImagePlanes image = testsupport::randomImage(5, 4, 11);
    gaussianBlurRows(image, 1.0);
    gaussianBlurColumns(image, 1.0);
    EXPECT_EQ(image.result, std::vector<std::uint8_t>(image.planeBytes(), 0));
    for (int y = 0; y < image.height; ++y) {
        EXPECT_EQ(image.scratch[y * image.stride() + 15], 255) << "padding of row " << y;
    }
}

TEST(GaussianBlurPreview, SigmaZeroChangesNothing)
{
    const ImagePlanes before = testsupport::noisyImage(9, 7, 5);
    ImagePlanes image = before;
    gaussianBlurPreview(image, PreviewRect{1, 1, 5, 4}, 0.0);
    EXPECT_TRUE(testsupport::imagesEqual(before, image));
}

TEST(GaussianBlurPreview, RowsAroundTheRectangleComeFromThePhoto)
{
    // A flat photo blurs to itself, also in the rectangle's edge rows; only
    // the rectangle of scratch changes and result keeps its bytes.
    std::vector<std::vector<int>> rows(20, std::vector<int>(21, 100));
    const ImagePlanes before = greyPhoto(rows);
    ImagePlanes image = before;
    const PreviewRect rect{5, 6, 9, 8};
    gaussianBlurPreview(image, rect, 1.0);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool inside = x >= rect.x0 && x < rect.x0 + rect.w && y >= rect.y0 && y < rect.y0 + rect.h;
            ASSERT_EQ(image.scratch[y * image.stride() + 3 * x], inside ? 100 : 0) << "column " << x << " row " << y;
        }
    }
    EXPECT_EQ(image.result, before.result);
}

struct Size {
    int width;
    int height;
};

// Awkward sizes for a sigma: single pixels and lines, 2r and 2r + 1, just
// below and at 9 sigma, in both directions; odd widths carry row padding.
std::vector<Size> awkwardSizes(double sigma)
{
    const int r = static_cast<int>(3.0 * sigma);
    const int nine = static_cast<int>(9.0 * sigma);
    return {{1, 1},        {1, 13},   {13, 1},       {2 * r, 3},    {2 * r + 1, 2}, {3, 2 * r}, {2, 2 * r + 1},
            {nine - 1, 3}, {nine, 2}, {nine + 1, 1}, {3, nine - 1}, {1, nine},      {17, 11}};
}

TEST(GaussianBlurDifferential, BothPassesOnAwkwardSizes)
{
    std::mt19937 rng(2024);
    std::vector<double> sigmas = {1.0, 2.0, 2.5, 10.0, 100.0, 0.3};
    for (int i = 0; i < 4; ++i) {
        sigmas.push_back(std::uniform_int_distribution<int>(1, 60)(rng));
    }
    std::uint32_t seed = 1;
    for (const double sigma : sigmas) {
        for (const Size size : awkwardSizes(sigma)) {
            if (size.width < 1 || size.height < 1) {
                continue;
            }
            const ImagePlanes input = testsupport::noisyImage(size.width, size.height, seed++);
            const std::string what = "sigma " + std::to_string(sigma);
            expectMatchesReference(
                input, [&](ImagePlanes& image) { gaussianBlurRows(image, sigma); },
                [&](ImagePlanes& image) { reference::gaussianBlurRows(image, sigma); }, what + " rows");
            expectBothPassesMatchReference(input, sigma, what);
        }
    }
}

TEST(GaussianBlurDifferential, PreviewOnRandomRectangles)
{
    std::mt19937 rng(77);
    std::uint32_t seed = 100;
    for (int round = 0; round < 40; ++round) {
        const double sigma = round % 10 == 9 ? 100.0 : std::uniform_int_distribution<int>(1, 12)(rng);
        const int width = std::uniform_int_distribution<int>(1, round % 10 == 9 ? 70 : 45)(rng);
        const int height = std::uniform_int_distribution<int>(1, 40)(rng);
        // Noisy planes show every side effect; the idle convention is what
        // the dialog's pipelines start from.
        const ImagePlanes input = round % 2 == 0 ? testsupport::noisyImage(width, height, seed++)
                                                 : testsupport::randomImage(width, height, seed++);
        const PreviewRect rect = enginetest::randomRect(input, rng);
        expectMatchesReference(
            input, [&](ImagePlanes& image) { gaussianBlurPreview(image, rect, sigma); },
            [&](ImagePlanes& image) { reference::gaussianBlurPreview(image, rect, sigma); },
            "sigma " + std::to_string(sigma) + " " + enginetest::describe(rect));
    }
}

// Where the passes change their way of working: sigma 1 sums in 16-bit
// lanes, sigma 2 and 10 add 16-bit partial sums into 32-bit lanes; rows of
// 510 to 516 bytes end around a run of the tap form; sigma 30 and 60 lie on
// either side of the switch to the box form.
TEST(GaussianBlurDifferential, WhereTheSumsAndRunsChange)
{
    std::uint32_t seed = 900;
    const std::vector<Size> sizes = {{170, 40}, {171, 23}, {172, 3}, {341, 65}, {1, 70}};
    for (const double sigma : {1.0, 2.0, 10.0, 30.0, 60.0}) {
        for (const Size size : sizes) {
            const ImagePlanes input = testsupport::noisyImage(size.width, size.height, seed++);
            const std::string what = "sigma " + std::to_string(sigma);
            expectBothPassesMatchReference(input, sigma, what);
            const PreviewRect rect{size.width / 3, size.height / 4, size.width - size.width / 3,
                                   std::max(1, size.height / 2)};
            expectMatchesReference(
                input, [&](ImagePlanes& image) { gaussianBlurPreview(image, rect, sigma); },
                [&](ImagePlanes& image) { reference::gaussianBlurPreview(image, rect, sigma); },
                what + " " + enginetest::describe(rect));
        }
    }
}

} // namespace
