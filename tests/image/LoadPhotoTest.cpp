// Loading photo files through the real image-file modules: every format's
// 24-bit and palette fixtures give exactly the expected planes (palette
// expanded, padding zero, result 255, scratch and resultBackup 0), and the
// special pictures (grey, 1-bit, alpha, 16-bit, EXIF-rotated) come up right.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "image/COvImage2.h"
#include "image/ImageTestSupport.h"
#include "image/fixtures/FixturePixels.h"
#include "support/TestImages.h"

namespace {

using imagetest::fixturePath;

// The record a fixture must load into; `colour(x, y)` uses file coordinates.
template <typename Colour>
ImagePlanes expectedPlanes(int width, int height, Colour colour)
{
    ImagePlanes expected;
    expected.allocatePlanes(width, height);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = static_cast<std::size_t>(height - 1 - y) * expected.stride();
        for (int x = 0; x < width; ++x) {
            const fixture::Rgb c = colour(x, y);
            expected.current[row + 3 * x] = static_cast<std::uint8_t>(c.blue);
            expected.current[row + 3 * x + 1] = static_cast<std::uint8_t>(c.green);
            expected.current[row + 3 * x + 2] = static_cast<std::uint8_t>(c.red);
        }
    }
    return expected;
}

ImagePlanes expectedColourStrip(int width)
{
    return expectedPlanes(width, fixture::kStripHeight, fixture::colourAt);
}

ImagePlanes expectedPaletteStrip(int width)
{
    return expectedPlanes(width, fixture::kStripHeight,
                          [](int x, int y) { return fixture::paletteEntry(fixture::paletteIndexAt(x, y)); });
}

// Largest difference of any pixel byte; padding must still be exactly 0.
int largestPixelError(const ImagePlanes& expected, const ImagePlanes& actual)
{
    int largest = 0;
    for (int y = 0; y < expected.height; ++y) {
        for (std::size_t i = 0; i < expected.stride(); ++i) {
            const std::size_t at = y * expected.stride() + i;
            if (i >= 3 * static_cast<std::size_t>(expected.width)) {
                EXPECT_EQ(actual.current[at], 0) << "padding of row " << y;
            } else {
                largest = std::max(largest, std::abs(expected.current[at] - actual.current[at]));
            }
        }
    }
    return largest;
}

class LoadPhoto : public imagetest::WithImageLibrary {};

TEST_F(LoadPhoto, LosslessColourFilesGiveExactPlanesForWidthsOneToFive)
{
    const std::size_t strides[] = {4, 8, 12, 12, 16};
    for (const char* extension : {"png", "tif", "bmp"}) {
        for (int width = 1; width <= 5; ++width) {
            SCOPED_TRACE(std::string(extension) + " width " + std::to_string(width));
            COvImage2 image;
            ASSERT_TRUE(image.loadFromFile(fixturePath("rgb" + std::to_string(width) + "." + extension)));
            EXPECT_EQ(image.stride(), strides[width - 1]);
            EXPECT_EQ(image.current.size(), strides[width - 1] * fixture::kStripHeight);
            EXPECT_TRUE(testsupport::imagesEqual(expectedColourStrip(width), image));
            EXPECT_TRUE(image.currentPaneBuffer.empty());
            EXPECT_TRUE(image.resultPaneBuffer.empty());
        }
    }
}

TEST_F(LoadPhoto, PaletteFilesExpandToTheirTableColours)
{
    for (const char* extension : {"png", "tif", "bmp"}) {
        for (int width = 1; width <= 5; ++width) {
            SCOPED_TRACE(std::string(extension) + " width " + std::to_string(width));
            COvImage2 image;
            ASSERT_TRUE(image.loadFromFile(fixturePath("palette" + std::to_string(width) + "." + extension)));
            EXPECT_TRUE(testsupport::imagesEqual(expectedPaletteStrip(width), image));
        }
    }
}

TEST_F(LoadPhoto, JpegColourFilesComeCloseWithTheOtherPlanesIdle)
{
    for (int width = 1; width <= 5; ++width) {
        SCOPED_TRACE("width " + std::to_string(width));
        COvImage2 image;
        ASSERT_TRUE(image.loadFromFile(fixturePath("rgb" + std::to_string(width) + ".jpg")));
        const ImagePlanes expected = expectedColourStrip(width);
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, fixture::kStripHeight);
        // Tiny pictures of unrelated colours are JPEG's worst case (chroma
        // is shared between neighbours); the bound only catches a wrong
        // channel order or row order, which are off by far more.
        EXPECT_LE(largestPixelError(expected, image), 90);
        EXPECT_TRUE(testsupport::planesEqual(expected.result, image.result, width));
        EXPECT_TRUE(testsupport::planesEqual(expected.scratch, image.scratch, width));
        EXPECT_TRUE(testsupport::planesEqual(expected.resultBackup, image.resultBackup, width));
    }
}

TEST_F(LoadPhoto, GreyFilesGiveTheirGreyLevels)
{
    const ImagePlanes expected = expectedPlanes(fixture::kGreyWidth, fixture::kGreyHeight, [](int x, int y) {
        const int grey = fixture::greyAt(x, y);
        return fixture::Rgb{grey, grey, grey};
    });
    for (const char* extension : {"png", "tif"}) {
        COvImage2 image;
        ASSERT_TRUE(image.loadFromFile(fixturePath(std::string("grey.") + extension))) << extension;
        EXPECT_TRUE(testsupport::imagesEqual(expected, image)) << extension;
    }
    COvImage2 jpeg;
    ASSERT_TRUE(jpeg.loadFromFile(fixturePath("grey.jpg")));
    // The grey ramps wrap from 255 to 0; JPEG rings at those edges.
    EXPECT_LE(largestPixelError(expected, jpeg), 48);
}

TEST_F(LoadPhoto, OneBitFileExpandsThroughItsTwoColours)
{
    const ImagePlanes expected = expectedPlanes(5, 3, [](int x, int y) {
        const int level = (x == 1 && y == 0) ? 255 : 0;
        return fixture::Rgb{level, level, level};
    });
    COvImage2 image;
    ASSERT_TRUE(image.loadFromFile(fixturePath("mono.png")));
    EXPECT_TRUE(testsupport::imagesEqual(expected, image));
}

TEST_F(LoadPhoto, AlphaIsFlattenedOntoWhite)
{
    // Block 0 opaque, block 1 transparent, blocks 2 and 3 partly covering white.
    const fixture::Rgb flattened[4] = {{200, 100, 50}, {255, 255, 255}, {127, 127, 127}, {255, 223, 191}};
    const ImagePlanes expected =
        expectedPlanes(4, 4, [&](int x, int y) { return flattened[(y / 2) * 2 + x / 2]; });
    COvImage2 image;
    ASSERT_TRUE(image.loadFromFile(fixturePath("alpha.png")));
    EXPECT_TRUE(testsupport::imagesEqual(expected, image));
}

TEST_F(LoadPhoto, SixteenBitChannelsAreReducedToEight)
{
    COvImage2 image;
    ASSERT_TRUE(image.loadFromFile(fixturePath("deep16.png")));
    EXPECT_TRUE(testsupport::imagesEqual(expectedColourStrip(5), image));
}

TEST_F(LoadPhoto, ExifOrientationIsApplied)
{
    // Stored 32 x 16 with red on the left; tagged to turn a quarter clockwise.
    COvImage2 image;
    ASSERT_TRUE(image.loadFromFile(fixturePath("rotated.jpg")));
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 32);
    const auto pixelAt = [&](int planeRow, int x, int channel) {
        return image.current[planeRow * image.stride() + 3 * x + channel];
    };
    // Plane row 31 is the top of the picture: red; row 0 the bottom: blue.
    EXPECT_GT(pixelAt(31, 8, 2), 200);
    EXPECT_LT(pixelAt(31, 8, 0), 60);
    EXPECT_GT(pixelAt(0, 8, 0), 200);
    EXPECT_LT(pixelAt(0, 8, 2), 60);
}

TEST_F(LoadPhoto, TheLibraryDeliversPaletteAndGreyAsEightBitAndTheRestAs24)
{
    const struct {
        const char* name;
        int bitCount;
    } cases[] = {{"palette3.png", 8}, {"palette3.tif", 8}, {"palette3.bmp", 8}, {"grey.jpg", 8},
                 {"grey.png", 8},     {"mono.png", 8},     {"rgb3.jpg", 24},    {"rgb3.tif", 24},
                 {"alpha.png", 24},   {"deep16.png", 24}};
    for (const auto& c : cases) {
        const ik5::UniqueDib dib(ik5::fileLoad(fixturePath(c.name)));
        ASSERT_TRUE(dib) << c.name;
        BITMAPINFOHEADER header;
        std::memcpy(&header, dib.get(), sizeof header);
        EXPECT_EQ(header.biSize, 40u) << c.name;
        EXPECT_EQ(header.biBitCount, c.bitCount) << c.name;
        EXPECT_EQ(header.biCompression, kBiRgb) << c.name;
        EXPECT_GT(header.biHeight, 0) << c.name;
    }
}

TEST_F(LoadPhoto, LoadingRunsAgainAfterTheLibraryIsReleasedAndReloaded)
{
    for (int round = 0; round < 3; ++round) {
        ik5::releaseLibraries();
        COvImage2 unloaded;
        EXPECT_FALSE(unloaded.loadFromFile(fixturePath("rgb2.png")));
        ik5::loadLibraries();
        COvImage2 image;
        ASSERT_TRUE(image.loadFromFile(fixturePath("rgb2.jpg"))) << "round " << round;
        EXPECT_EQ(image.width, 2);
    }
}

} // namespace
