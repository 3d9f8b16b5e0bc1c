// The dialog's pane arithmetic: overview scale, region dragging and its
// clamping, the red marker, panes shrunk to small photos, the region of a
// resized dialog on a high-density screen, the sampling square's drag and
// the colour it picks.
#include "dialog/PaneGeometry.h"

#include <gtest/gtest.h>

#include "support/TestImages.h"

// Found by argument-dependent lookup from inside the assertions.
static bool operator==(const PreviewRect& a, const PreviewRect& b)
{
    return a.x0 == b.x0 && a.y0 == b.y0 && a.w == b.w && a.h == b.h;
}

namespace {

void paintPixel(ImagePlanes& image, int x, int y, RgbColour colour)
{
    const std::size_t at = static_cast<std::size_t>(y) * image.stride() + 3 * static_cast<std::size_t>(x);
    image.current[at] = static_cast<std::uint8_t>(colour.blue);
    image.current[at + 1] = static_cast<std::uint8_t>(colour.green);
    image.current[at + 2] = static_cast<std::uint8_t>(colour.red);
}

void paintAll(ImagePlanes& image, RgbColour colour)
{
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            paintPixel(image, x, y, colour);
        }
    }
}

TEST(OverviewScale, TheSmallerOfTheTwoRatios)
{
    EXPECT_DOUBLE_EQ(computeOverviewScale({210, 145}, 1000, 500), 0.21);
    EXPECT_DOUBLE_EQ(computeOverviewScale({210, 145}, 500, 1000), 0.145);
    EXPECT_EQ(computeOverviewScale({200, 160}, 1000, 800), 0.2);
    // Exact ratios of the reals, not of integers.
    EXPECT_EQ(computeOverviewScale({210, 145}, 7, 3), 30.0);
}

TEST(RegionDrag, PointerHoldsTheLowerLeftCornerAndTheRegionStaysInside)
{
    const PaneSize pane{300, 200};
    // k 0.5: pointer (100, 50) is column 200 and 100 rows below the top.
    EXPECT_EQ(regionForPointer({100, 50}, 0.5, pane, 1000, 800), (RegionPosition{200, 600}));
    EXPECT_EQ(regionForPointer({100, 300}, 0.5, pane, 1000, 800), (RegionPosition{200, 200}));
    // The overview's top-left corner: the picture's top-left corner.
    EXPECT_EQ(regionForPointer({0, 0}, 0.5, pane, 1000, 800), (RegionPosition{0, 600}));
    // Below and right of the scaled picture: clamped to the bottom and right.
    EXPECT_EQ(regionForPointer({900, 900}, 0.5, pane, 1000, 800), (RegionPosition{700, 0}));
    // Left of and above the pane while the mouse is captured.
    EXPECT_EQ(regionForPointer({-40, -40}, 0.5, pane, 1000, 800), (RegionPosition{0, 600}));
    // Truncation toward zero of the pointer's column: 3 / 0.7 = 4.28...
    EXPECT_EQ(regionForPointer({3, 0}, 0.7, pane, 1000, 800).x, 4);
    // A pointer absurdly far away does not overflow.
    EXPECT_EQ(regionForPointer({2000000000, 0}, 1e-6, pane, 1000, 800), (RegionPosition{700, 600}));
}

TEST(RegionDrag, PhotoNoLargerThanThePanesKeepsTheRegionAtTheOrigin)
{
    for (const PanePoint point : {PanePoint{0, 0}, PanePoint{50, 50}, PanePoint{500, -20}, PanePoint{-9, 999}}) {
        EXPECT_EQ(regionForPointer(point, 1.4, {100, 80}, 100, 80), (RegionPosition{0, 0}));
    }
}

TEST(RegionMarker, OutlineInsetByOnePixel)
{
    // Photo 1000 x 800 in a 200 x 160 overview (k 0.2), photo pane 360 x 300.
    EXPECT_EQ(regionMarker({0, 0}, 0.2, {360, 300}, 800), (MarkerGeometry{1, 159, 71, 100}));
    // Region at the top-right corner of the picture.
    EXPECT_EQ(regionMarker({640, 500}, 0.2, {360, 300}, 800), (MarkerGeometry{129, 59, 199, 0}));
    // Reals in the order written: 12 x 0.3 - 2 x 0.3 - 1 is 1.9999999999999996
    // and truncates to 1, where (12 - 2) x 0.3 - 1 would give 2.
    EXPECT_EQ(regionMarker({0, 2}, 0.3, {1, 1}, 12).y1, 1);
}

TEST(PaneShrink, PanesShrinkToASmallPhotoAndNeverGrow)
{
    const PhotoAndPreviewPanes templatePanes{{360, 306}, {360, 306}};
    const PhotoAndPreviewPanes small = shrinkPanesToPhoto(templatePanes, 100, 80);
    EXPECT_EQ(small.photo, (PaneSize{100, 80}));
    EXPECT_EQ(small.preview, (PaneSize{100, 80}));
    const PhotoAndPreviewPanes large = shrinkPanesToPhoto(templatePanes, 4000, 3000);
    EXPECT_EQ(large.photo, (PaneSize{360, 306}));
    EXPECT_EQ(large.preview, (PaneSize{360, 306}));
    const PhotoAndPreviewPanes narrow = shrinkPanesToPhoto(templatePanes, 50, 3000);
    EXPECT_EQ(narrow.photo, (PaneSize{50, 306}));
    EXPECT_EQ(previewRectangle({7, 9}, narrow.preview), (PreviewRect{7, 9, 50, 306}));
}

TEST(PaneShrink, ThePreviewRectangleMustLieInsideThePhoto)
{
    const ImagePlanes image = testsupport::randomImage(10, 8, 1);
    EXPECT_TRUE(rectangleInsidePhoto({0, 0, 10, 8}, image));
    EXPECT_TRUE(rectangleInsidePhoto({9, 7, 1, 1}, image));
    EXPECT_FALSE(rectangleInsidePhoto({1, 0, 10, 8}, image));
    EXPECT_FALSE(rectangleInsidePhoto({0, 1, 10, 8}, image));
    EXPECT_FALSE(rectangleInsidePhoto({-1, 0, 2, 2}, image));
    EXPECT_FALSE(rectangleInsidePhoto({0, 0, 0, 2}, image));
    EXPECT_FALSE(rectangleInsidePhoto({0, 0, 2, -1}, image));
}

TEST(PaneResize, OnePhotoPixelPerDevicePixelAndNoMoreThanThePhotoHas)
{
    // An odd-sized photo on a screen of ratio 2: the pane may take 51 x 38
    // logical pixels, whose 102 x 76 device pixels show the whole 101 x 75.
    EXPECT_EQ(paneLimitForPhoto(101, 75, 2.0), (PaneSize{51, 38}));
    EXPECT_EQ(devicePixels({51, 38}, 2.0), (PaneSize{102, 76}));
    EXPECT_EQ(paneRegionSize(devicePixels({51, 38}, 2.0), 101, 75), (PaneSize{101, 75}));
    EXPECT_EQ(paneRegionSize(devicePixels({360, 332}, 1.5), 4000, 3000), (PaneSize{540, 498}));
}

TEST(PaneResize, TheRegionKeepsItsMiddleAndStaysInsideThePhoto)
{
    const struct {
        RegionPosition region;
        PaneSize before;
        PaneSize after;
        RegionPosition expected;
    } rows[] = {
        {{1000, 800}, {360, 332}, {660, 532}, {850, 700}},   // middle kept
        {{1000, 800}, {361, 333}, {660, 532}, {850, 700}},   // odd sizes
        {{0, 0}, {360, 332}, {660, 532}, {0, 0}},            // at the bottom-left corner
        {{3640, 2668}, {360, 332}, {660, 532}, {3340, 2468}}, // pushed back from the top-right
        {{100, 50}, {360, 332}, {4000, 3000}, {0, 0}},       // panes as large as the photo
    };
    for (const auto& row : rows) {
        EXPECT_EQ(regionAfterResize(row.region, row.before, row.after, 4000, 3000), row.expected);
    }
}

TEST(SquareDrag, StopsAtZeroAndOnePixelShortOfTheFarEdge)
{
    const PaneSize pane{360, 300};
    EXPECT_EQ(squareForPointer({340, 10}, pane, 50).x, 309);
    EXPECT_EQ(squareForPointer({310, 10}, pane, 50).x, 310); // exactly W8 - side stays
    EXPECT_EQ(squareForPointer({311, 10}, pane, 50).x, 309);
    EXPECT_EQ(squareForPointer({-5, -7}, pane, 50), (SquarePosition{0, 0}));
    EXPECT_EQ(squareForPointer({20, 299}, pane, 50), (SquarePosition{20, 249}));
    // A square larger than the pane goes negative against the far edge.
    EXPECT_EQ(squareForPointer({30, 30}, {80, 60}, 100), (SquarePosition{-21, -41}));
}

TEST(SquareSampling, PanePixelsMapToPhotoPixels)
{
    // Pane rows squareY .. squareY + side - 1 from the top are plane rows
    // regionY + H8 - squareY - 1 down to regionY + H8 - squareY - side.
    EXPECT_EQ(sampledRectangle({10, 20}, 300, {5, 7}, 50), (PreviewRect{15, 263, 50, 50}));
    EXPECT_EQ(sampledRectangle({0, 0}, 300, {0, 250}, 50), (PreviewRect{0, 0, 50, 50}));
}

TEST(SquareSampling, AverageOfTheCoveredPixels)
{
    ImagePlanes image = testsupport::randomImage(40, 30, 5);
    paintAll(image, {90, 60, 30});
    // Uniform area: exactly that colour.
    EXPECT_EQ(sampleTargetColour(image, {3, 4, 10, 10}), (RgbColour{90, 60, 30}));
    // Half the red bytes 10, half 11: truncated to 10.
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            paintPixel(image, x, y, {x < 5 ? 10 : 11, 0, 200});
        }
    }
    EXPECT_EQ(sampleTargetColour(image, {0, 0, 10, 10}), (RgbColour{10, 0, 200}));
    // Pixels outside the photo are skipped.
    EXPECT_EQ(sampleTargetColour(image, {-20, -20, 25, 25}), (RgbColour{10, 0, 200}));
    EXPECT_EQ(colourFromReference(0x030201U), (RgbColour{1, 2, 3}));
}

TEST(SquareSampling, SquareOffAOnePixelPhotoKeepsTheTarget)
{
    ImagePlanes image = testsupport::randomImage(1, 1, 6);
    paintAll(image, {5, 6, 7});
    // Pushed to the pane's bottom-right, the 50-pixel square covers rows 1
    // to 50 and columns -50 to -1 of a 1 x 1 photo: no pixel at all.
    const SquarePosition square = squareForPointer({40, 40}, {1, 1}, 50);
    const PreviewRect covered = sampledRectangle({0, 0}, 1, square, 50);
    EXPECT_EQ(sampleTargetColour(image, covered), std::nullopt);
    EXPECT_EQ(sampleTargetColour(image, sampledRectangle({0, 0}, 1, {0, 0}, 50)), (RgbColour{5, 6, 7}));
}

} // namespace
