// Arguments no effect passes but a caller could: each operation still ends,
// reads only inside the planes and gives a defined result (a copy, or the
// nearest sensible argument) instead of dividing by zero or looping forever.
#include <limits>

#include <gtest/gtest.h>

#include "DifferentialSupport.h"
#include "engine/BrightDarkSharpen.h"
#include "engine/GaussianBlur.h"
#include "engine/TriangleBlur.h"
#include "engine/UnsharpMask.h"
#include "reference/ReferenceEngine.h"
#include "support/TestImages.h"

namespace {

using enginetest::channelRows;

ImagePlanes afterBlur(const ImagePlanes& input, void (*rows)(ImagePlanes&), void (*columns)(ImagePlanes&))
{
    ImagePlanes image = input;
    rows(image);
    columns(image);
    return image;
}

TEST(DegenerateArguments, BlursWithoutAWindowCopyThePhoto)
{
    const ImagePlanes input = testsupport::noisyImage(9, 6, 71);
    const auto copied = [&](const ImagePlanes& image) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(channelRows(image, image.scratch, c), channelRows(input, input.current, c));
        }
    };
    copied(afterBlur(
        input, [](ImagePlanes& image) { gaussianBlurRows(image, -3.0); },
        [](ImagePlanes& image) { gaussianBlurColumns(image, -3.0); }));
    copied(afterBlur(
        input, [](ImagePlanes& image) { gaussianBlurRows(image, std::numeric_limits<double>::quiet_NaN()); },
        [](ImagePlanes& image) { gaussianBlurColumns(image, std::numeric_limits<double>::quiet_NaN()); }));
    copied(afterBlur(
        input, [](ImagePlanes& image) { triangleBlurRows(image, -2, 1); },
        [](ImagePlanes& image) { triangleBlurColumns(image, -2, 1); }));
}

TEST(DegenerateArguments, TriangleDivisorBelowOneCountsAsOne)
{
    const ImagePlanes input = testsupport::noisyImage(14, 9, 72);
    const ImagePlanes withZero = afterBlur(
        input, [](ImagePlanes& image) { triangleBlurRows(image, 3, 0); },
        [](ImagePlanes& image) { triangleBlurColumns(image, 3, 0); });
    const ImagePlanes withOne = afterBlur(
        input, [](ImagePlanes& image) { triangleBlurRows(image, 3, 1); },
        [](ImagePlanes& image) { triangleBlurColumns(image, 3, 1); });
    EXPECT_TRUE(testsupport::imagesEqual(withOne, withZero));
}

TEST(DegenerateArguments, HugeSigmaOnASmallPhotoIsTheWidestClippedBlur)
{
    // The weight table stops at the photo's size; the bytes are those of the
    // full table.
    const ImagePlanes input = testsupport::noisyImage(7, 5, 73);
    enginetest::expectMatchesReference(
        input,
        [](ImagePlanes& image) {
            gaussianBlurRows(image, 1000.0);
            gaussianBlurColumns(image, 1000.0);
        },
        [](ImagePlanes& image) {
            reference::gaussianBlurRows(image, 1000.0);
            reference::gaussianBlurColumns(image, 1000.0);
        },
        "sigma 1000");
}

TEST(DegenerateArguments, SharpenWithoutASquareCopiesAndStepBelowOneCountsAsOne)
{
    const ImagePlanes input = testsupport::noisyImage(10, 8, 74);
    for (const bool bright : {true, false}) {
        ImagePlanes none = input;
        bright ? brightSharpen(none, 0, 1) : darkSharpen(none, 0, 1);
        EXPECT_EQ(channelRows(none, none.scratch, 1), channelRows(input, input.current, 1));
        ImagePlanes zeroStep = input;
        ImagePlanes unitStep = input;
        bright ? brightSharpen(zeroStep, 3, 0) : darkSharpen(zeroStep, 3, 0);
        bright ? brightSharpen(unitStep, 3, 1) : darkSharpen(unitStep, 3, 1);
        EXPECT_TRUE(testsupport::imagesEqual(unitStep, zeroStep));
        ImagePlanes reference = input;
        bright ? reference::brightSharpen(reference, 3, 0) : reference::darkSharpen(reference, 3, 0);
        EXPECT_TRUE(testsupport::imagesEqual(reference, zeroStep));
    }
}

TEST(DegenerateArguments, UnsharpMaskWithNegativeRadiusUsesThePixelAlone)
{
    const ImagePlanes input = testsupport::noisyImage(8, 7, 75);
    ImagePlanes negative = input;
    unsharpMask(negative, -4, 1.5);
    ImagePlanes zero = input;
    unsharpMask(zero, 0, 1.5);
    EXPECT_TRUE(testsupport::imagesEqual(zero, negative));
    ImagePlanes reference = input;
    reference::unsharpMask(reference, -4, 1.5);
    EXPECT_TRUE(testsupport::imagesEqual(reference, negative));
}

} // namespace
