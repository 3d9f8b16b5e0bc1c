// Operand builders, the grey of `result` and the mean colour: differential
// tests against the naive reference, and the values that pin the grey and
// mean arithmetic.
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "effects/EffectsTestHelpers.h"
#include "effects/OperandPlanes.h"

namespace {

using effectstest::awkwardSizes;
using effectstest::randomRect;
using effectstest::testPhoto;
using effectstest::toReference;

// Runs op (full when rect is the whole image, else the twin) under each thread
// count and compares all planes and means with the reference.
template <typename Production, typename Reference>
void expectSameAsReference(const char* name, Production production, Reference expected)
{
    std::uint32_t seed = 1;
    std::mt19937 rng(99);
    for (const auto& [width, height] : awkwardSizes()) {
        for (int trial = 0; trial < 3; ++trial, ++seed) {
            const ImagePlanes original = testPhoto(width, height, seed);
            const bool full = trial == 0;
            const PreviewRect rect = full ? PreviewRect{0, 0, width, height} : randomRect(original, rng);
            ImagePlanes want = original;
            expected(want, toReference(rect));
            for (int threads : testsupport::kThreadCounts) {
                testsupport::ScopedThreadCount scope(threads);
                ImagePlanes got = original;
                production(got, full, rect);
                ASSERT_TRUE(testsupport::imagesEqual(want, got))
                    << name << " " << width << "x" << height << (full ? " full" : " preview") << " rect "
                    << rect.x0 << "," << rect.y0 << " " << rect.w << "x" << rect.h << ", " << threads
                    << " threads";
            }
        }
    }
}

TEST(OperandPlanes, MatchReferenceOnAwkwardSizesAndRegions)
{
    expectSameAsReference(
        "fillScratch",
        [](ImagePlanes& image, bool full, PreviewRect rect) {
            full ? fillScratch(image, 200, 17, 3) : fillScratchPreview(image, rect, 200, 17, 3);
        },
        [](ImagePlanes& image, reference::Rect rect) { reference::fillScratch(image, 200, 17, 3, rect); });
    expectSameAsReference(
        "invertToScratch",
        [](ImagePlanes& image, bool full, PreviewRect rect) {
            full ? invertToScratch(image) : invertToScratchPreview(image, rect);
        },
        [](ImagePlanes& image, reference::Rect rect) { reference::invertToScratch(image, rect); });
    expectSameAsReference(
        "greyToScratch",
        [](ImagePlanes& image, bool full, PreviewRect rect) {
            full ? greyToScratch(image) : greyToScratchPreview(image, rect);
        },
        [](ImagePlanes& image, reference::Rect rect) { reference::greyToScratch(image, rect); });
    expectSameAsReference(
        "greyResult",
        [](ImagePlanes& image, bool full, PreviewRect rect) {
            full ? greyResult(image) : greyResultPreview(image, rect);
        },
        [](ImagePlanes& image, reference::Rect rect) { reference::greyResult(image, rect); });
    for (bool lighten : {true, false}) {
        expectSameAsReference(
            "lightenDarkenScratch",
            [lighten](ImagePlanes& image, bool full, PreviewRect rect) {
                full ? lightenDarkenScratch(image, lighten) : lightenDarkenScratchPreview(image, rect, lighten);
            },
            [lighten](ImagePlanes& image, reference::Rect rect) {
                reference::lightenDarkenScratch(image, lighten, rect);
            });
    }
}

TEST(OperandPlanes, MeanColourMatchesReference)
{
    std::uint32_t seed = 50;
    for (const auto& [width, height] : awkwardSizes()) {
        const ImagePlanes original = testPhoto(width, height, seed++);
        ImagePlanes want = original;
        reference::meanColour(want);
        for (int threads : testsupport::kThreadCounts) {
            testsupport::ScopedThreadCount scope(threads);
            ImagePlanes got = original;
            meanColour(got);
            ASSERT_TRUE(testsupport::imagesEqual(want, got)) << width << "x" << height << ", " << threads;
        }
    }
}

// A 256 x 1 photo holding every neutral level (v, v, v) in column v.
ImagePlanes neutralLevels()
{
    ImagePlanes image;
    image.allocatePlanes(256, 1);
    for (int v = 0; v < 256; ++v) {
        for (int c = 0; c < 3; ++c) {
            image.current[3 * v + c] = static_cast<std::uint8_t>(v);
        }
    }
    return image;
}

TEST(OperandPlanes, GreyDropsExactlyTheSixtySevenLevels)
{
    const std::vector<int> dropping = {
        1,   2,   4,   5,   8,   10,  16,  20,  21,  31,  32,  39,  40,  41,  42,  55,  57,
        59,  61,  62,  63,  64,  78,  80,  82,  84,  101, 103, 105, 107, 109, 110, 114, 118,
        122, 124, 126, 128, 139, 143, 156, 160, 164, 168, 181, 185, 189, 193, 202, 206, 210,
        214, 218, 219, 220, 223, 228, 231, 236, 237, 239, 243, 244, 245, 248, 252, 253};
    ASSERT_EQ(dropping.size(), 67u);
    std::vector<int> expected(256);
    for (int v = 0; v < 256; ++v) {
        expected[v] = v;
    }
    for (int v : dropping) {
        expected[v] = v - 1;
    }

    ImagePlanes image = neutralLevels();
    greyToScratch(image);
    image.result = image.current;
    greyResult(image);
    for (int v = 0; v < 256; ++v) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(image.scratch[3 * v + c], expected[v]) << "greyToScratch level " << v;
            EXPECT_EQ(image.result[3 * v + c], expected[v]) << "greyResult level " << v;
        }
    }
}

// Every colour, as 16 photos of 4096 x 256 pixels: column x and row y of
// photo r hold blue x mod 256, green x / 256 + 16 x (y mod 16) and red
// 16 x r + y / 16. Both greys of each photo must match the reference.
TEST(OperandPlanes, GreyOfEveryColourMatchesReference)
{
    testsupport::ScopedThreadCount scope(1);
    constexpr int kWidth = 4096;
    constexpr int kHeight = 256;
    for (int photo = 0; photo < 16; ++photo) {
        ImagePlanes image;
        image.allocatePlanes(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                std::uint8_t* pixel = image.current.data() + y * image.stride() + 3 * x;
                pixel[0] = static_cast<std::uint8_t>(x % 256);
                pixel[1] = static_cast<std::uint8_t>(x / 256 + 16 * (y % 16));
                pixel[2] = static_cast<std::uint8_t>(16 * photo + y / 16);
            }
        }
        image.result = image.current;
        ImagePlanes want = image;
        const reference::Rect whole{0, 0, kWidth, kHeight};
        reference::greyToScratch(want, whole);
        reference::greyResult(want, whole);
        greyToScratch(image);
        greyResult(image);
        ASSERT_TRUE(testsupport::imagesEqual(want, image)) << "red " << 16 * photo << " to " << 16 * photo + 15;
    }
}

TEST(OperandPlanes, PrimariesTurnIntoTheirGreys)
{
    EXPECT_EQ(storeByte(luminance(255, 0, 0)), 76);
    EXPECT_EQ(storeByte(luminance(0, 255, 0)), 150);
    EXPECT_EQ(storeByte(luminance(0, 0, 255)), 28);

    ImagePlanes image;
    image.allocatePlanes(3, 1);
    const std::uint8_t pixels[9] = {0, 0, 255, 0, 255, 0, 255, 0, 0}; // red, green, blue in BGR order
    std::copy(std::begin(pixels), std::end(pixels), image.current.begin());
    greyToScratch(image);
    const std::uint8_t greys[3] = {76, 150, 28};
    for (int x = 0; x < 3; ++x) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(image.scratch[3 * x + c], greys[x]) << "pixel " << x;
        }
    }
}

TEST(OperandPlanes, InvertOfBlackIsWhiteAndBack)
{
    ImagePlanes image;
    image.allocatePlanes(3, 2);
    invertToScratch(image);
    for (int y = 0; y < 2; ++y) {
        for (int b = 0; b < 9; ++b) {
            EXPECT_EQ(image.scratch[y * image.stride() + b], 255);
        }
        for (std::size_t pad = 9; pad < image.stride(); ++pad) {
            EXPECT_EQ(image.scratch[y * image.stride() + pad], 0) << "padding written";
        }
    }
    fillPlane(image.current, 255);
    invertToScratch(image);
    for (int y = 0; y < 2; ++y) {
        for (int b = 0; b < 9; ++b) {
            EXPECT_EQ(image.scratch[y * image.stride() + b], 0);
        }
    }
}

TEST(OperandPlanes, FillLeavesRowPaddingAlone)
{
    ImagePlanes image = testsupport::noisyImage(5, 3, 4);
    const std::vector<std::uint8_t> before = image.scratch;
    fillScratch(image, 1, 2, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const std::size_t p = y * image.stride() + 3 * x;
            EXPECT_EQ(image.scratch[p], 3);
            EXPECT_EQ(image.scratch[p + 1], 2);
            EXPECT_EQ(image.scratch[p + 2], 1);
        }
        EXPECT_EQ(image.scratch[y * image.stride() + 15], before[y * image.stride() + 15]);
    }
}

TEST(OperandPlanes, LightenDarkenOfThePhotoItselfChangesNothing)
{
    for (bool lighten : {true, false}) {
        ImagePlanes image = testsupport::randomImage(7, 5, 8);
        image.scratch = image.current;
        lightenDarkenScratch(image, lighten);
        EXPECT_EQ(image.scratch, image.current);
    }
}

TEST(OperandPlanes, MeanColourOfUniformPhotoIsExact)
{
    for (int threads : testsupport::kThreadCounts) {
        testsupport::ScopedThreadCount scope(threads);
        ImagePlanes image;
        image.allocatePlanes(37, 29);
        for (int y = 0; y < 29; ++y) {
            for (int x = 0; x < 37; ++x) {
                const std::size_t p = y * image.stride() + 3 * x;
                image.current[p] = 10;
                image.current[p + 1] = 20;
                image.current[p + 2] = 30;
            }
        }
        meanColour(image);
        EXPECT_EQ(image.meanRed, 30.0);
        EXPECT_EQ(image.meanGreen, 20.0);
        EXPECT_EQ(image.meanBlue, 10.0);
    }
}

TEST(OperandPlanes, MeanColourOfEmptyImageIsZero)
{
    ImagePlanes image;
    image.meanRed = 5.0;
    meanColour(image);
    EXPECT_EQ(image.meanRed, 0.0);
    EXPECT_EQ(image.meanGreen, 0.0);
    EXPECT_EQ(image.meanBlue, 0.0);
}

} // namespace
