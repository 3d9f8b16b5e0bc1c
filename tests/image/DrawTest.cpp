// Painting the record through a recording canvas: zoom 1 and above hand
// `current` itself to the canvas to stretch; below 1 the record's own
// nearest-neighbour reduction paints a new buffer, the same bytes for any
// thread count; region draws copy a rectangle of `current` or `result`
// through the pane buffers.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "image/COvImage2.h"
#include "support/RecordingCanvas.h"
#include "support/TestImages.h"

namespace {

using testsupport::RecordingCanvas;

COvImage2 recordOf(const ImagePlanes& planes)
{
    COvImage2 image;
    static_cast<ImagePlanes&>(image) = planes;
    return image;
}

// Straight from the rule: destination pixel (x, y) is source pixel
// (trunc(x / zoom), trunc(y / zoom)); padding stays 0.
std::vector<std::uint8_t> naiveReduction(const ImagePlanes& image, double zoom, int destWidth, int destHeight)
{
    std::vector<std::uint8_t> out(rowStride(destWidth) * destHeight, 0);
    for (int y = 0; y < destHeight; ++y) {
        for (int x = 0; x < destWidth; ++x) {
            const int sy = static_cast<int>(y / zoom);
            const int sx = static_cast<int>(x / zoom);
            for (int c = 0; c < 3; ++c) {
                out[y * rowStride(destWidth) + 3 * x + c] = image.current[sy * image.stride() + 3 * sx + c];
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> naiveRegion(const std::vector<std::uint8_t>& plane, int planeWidth, int left,
                                      int firstRow, int w, int h)
{
    std::vector<std::uint8_t> out(rowStride(w) * h, 0);
    for (int r = 0; r < h; ++r) {
        for (int i = 0; i < 3 * w; ++i) {
            out[r * rowStride(w) + i] = plane[(firstRow + r) * rowStride(planeWidth) + 3 * left + i];
        }
    }
    return out;
}

TEST(DrawZoomed, HalfOfFiveByThreeIsTwoSourcePixelsOfTheFirstRow)
{
    const COvImage2 image = recordOf(testsupport::randomImage(5, 3, 53));
    RecordingCanvas canvas;
    image.drawZoomed(canvas, 0.5);
    ASSERT_EQ(canvas.draws.size(), 1u);
    const auto& draw = canvas.draws[0];
    EXPECT_EQ(draw.width, 2);
    EXPECT_EQ(draw.height, 1);
    EXPECT_EQ(draw.x, 0);
    EXPECT_EQ(draw.y, 0);
    EXPECT_EQ(draw.stretchWidth, 0);
    EXPECT_EQ(draw.stretchHeight, 0);
    // Source pixels (0, 0) and (2, 0), then two padding bytes of zero.
    const auto& c = image.current;
    EXPECT_EQ(draw.pixels, (std::vector<std::uint8_t>{c[0], c[1], c[2], c[6], c[7], c[8], 0, 0}));
}

TEST(DrawZoomed, ZoomOneStretchesCurrentItselfAtItsOwnSize)
{
    const COvImage2 image = recordOf(testsupport::randomImage(5, 3, 1));
    RecordingCanvas canvas;
    image.drawZoomed(canvas, 1.0);
    ASSERT_EQ(canvas.draws.size(), 1u);
    const auto& draw = canvas.draws[0];
    EXPECT_EQ(draw.source, image.current.data());
    EXPECT_EQ(draw.pixels, image.current);
    EXPECT_EQ(draw.width, 5);
    EXPECT_EQ(draw.height, 3);
    EXPECT_EQ(draw.stretchWidth, 5);
    EXPECT_EQ(draw.stretchHeight, 3);
}

TEST(DrawZoomed, EnlargementStretchesToTheTruncatedSize)
{
    const COvImage2 image = recordOf(testsupport::randomImage(5, 3, 2));
    RecordingCanvas canvas;
    image.drawZoomed(canvas, 2.5);
    ASSERT_EQ(canvas.draws.size(), 1u);
    EXPECT_EQ(canvas.draws[0].source, image.current.data());
    EXPECT_EQ(canvas.draws[0].stretchWidth, 12);
    EXPECT_EQ(canvas.draws[0].stretchHeight, 7);
}

TEST(DrawZoomed, AZoomThatTruncatesToNothingPaintsNothing)
{
    const COvImage2 image = recordOf(testsupport::randomImage(5, 3, 3));
    RecordingCanvas canvas;
    // 0.3 x 3 rows truncates to 0; 0.1 truncates both sides.
    for (double zoom : {0.3, 0.1, 0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(), 1e300}) {
        image.drawZoomed(canvas, zoom);
    }
    EXPECT_TRUE(canvas.draws.empty());
    const COvImage2 empty;
    empty.drawZoomed(canvas, 1.0);
    empty.drawZoomed(canvas, 0.5);
    EXPECT_TRUE(canvas.draws.empty());
}

TEST(DrawZoomed, ReductionMatchesTheRuleWithAnyThreadCount)
{
    const struct {
        int width;
        int height;
        double zoom;
    } cases[] = {{5, 3, 0.5}, {37, 23, 0.3}, {64, 65, 0.77}, {101, 7, 0.999}, {13, 200, 0.125}, {3, 3, 0.34}};
    for (const auto& c : cases) {
        const COvImage2 image = recordOf(testsupport::randomImage(c.width, c.height, c.width + c.height));
        const int destWidth = static_cast<int>(c.zoom * c.width);
        const int destHeight = static_cast<int>(c.zoom * c.height);
        const std::vector<std::uint8_t> expected = naiveReduction(image, c.zoom, destWidth, destHeight);
        for (int threads : testsupport::kThreadCounts) {
            testsupport::ScopedThreadCount scope(threads);
            RecordingCanvas canvas;
            image.drawZoomed(canvas, c.zoom);
            ASSERT_EQ(canvas.draws.size(), 1u);
            EXPECT_EQ(canvas.draws[0].width, destWidth);
            EXPECT_EQ(canvas.draws[0].height, destHeight);
            EXPECT_EQ(canvas.draws[0].pixels, expected)
                << c.width << " x " << c.height << " at " << c.zoom << ", " << threads << " threads";
        }
    }
}

TEST(DrawRegion, CurrentAndResultRegionsAreCopiedThroughTheirPaneBuffers)
{
    COvImage2 image = recordOf(testsupport::noisyImage(11, 9, 4));
    const struct {
        int left;
        int firstRow;
        int w;
        int h;
    } regions[] = {{0, 0, 11, 9}, {3, 2, 5, 4}, {10, 8, 1, 1}, {1, 0, 2, 9}, {4, 4, 7, 3}};
    for (const auto& r : regions) {
        const auto expectedCurrent = naiveRegion(image.current, 11, r.left, r.firstRow, r.w, r.h);
        const auto expectedResult = naiveRegion(image.result, 11, r.left, r.firstRow, r.w, r.h);
        for (int threads : testsupport::kThreadCounts) {
            testsupport::ScopedThreadCount scope(threads);
            RecordingCanvas canvas;
            image.drawCurrentRegion(canvas, r.left, r.firstRow, r.w, r.h);
            image.drawResultRegion(canvas, r.left, r.firstRow, r.w, r.h);
            ASSERT_EQ(canvas.draws.size(), 2u);
            EXPECT_EQ(canvas.draws[0].pixels, expectedCurrent) << r.left << "," << r.firstRow << " " << threads;
            EXPECT_EQ(canvas.draws[1].pixels, expectedResult) << r.left << "," << r.firstRow << " " << threads;
            EXPECT_EQ(image.currentPaneBuffer, expectedCurrent);
            EXPECT_EQ(image.resultPaneBuffer, expectedResult);
            EXPECT_EQ(canvas.draws[0].source, image.currentPaneBuffer.data());
            for (const auto& draw : canvas.draws) {
                EXPECT_EQ(draw.width, r.w);
                EXPECT_EQ(draw.height, r.h);
                EXPECT_EQ(draw.x, 0);
                EXPECT_EQ(draw.y, 0);
                EXPECT_EQ(draw.stretchWidth, 0);
            }
        }
    }
}

TEST(DrawRegion, ARegionOutsideThePhotoPaintsNothing)
{
    COvImage2 image = recordOf(testsupport::randomImage(6, 4, 8));
    RecordingCanvas canvas;
    image.drawCurrentRegion(canvas, 4, 0, 3, 2);  // one column too far
    image.drawCurrentRegion(canvas, 0, 3, 2, 2);  // one row too far
    image.drawResultRegion(canvas, -1, 0, 2, 2);
    image.drawResultRegion(canvas, 0, 0, 0, 2);
    EXPECT_TRUE(canvas.draws.empty());
}

} // namespace
