// The effect dialog's pane arithmetic. Every real expression is evaluated in
// the order written (no contraction), then truncated toward zero.
#include "dialog/PaneGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "effects/ColourSampling.h"

namespace {

// Truncation toward zero that cannot overflow for a pointer far outside the
// pane; in-range values convert exactly as a plain cast would.
int truncateToInt(double value)
{
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::trunc(value), lowest, highest));
}

// Right and top edges first, then 0: a photo no larger than the pane
// therefore keeps the region at 0, 0.
RegionPosition clampRegion(RegionPosition region, PaneSize photoPane, int width, int height)
{
    if (static_cast<std::int64_t>(photoPane.width) + region.x > width) {
        region.x = width - photoPane.width;
    }
    if (static_cast<std::int64_t>(photoPane.height) + region.y > height) {
        region.y = height - photoPane.height;
    }
    region.x = std::max(region.x, 0);
    region.y = std::max(region.y, 0);
    return region;
}

} // namespace

double computeOverviewScale(PaneSize overview, int width, int height)
{
    const double a = static_cast<double>(overview.width) / width;
    const double b = static_cast<double>(overview.height) / height;
    return b <= a ? b : a;
}

RegionPosition regionForPointer(PanePoint pointerInOverview, double scale, PaneSize photoPane, int width,
                                int height)
{
    return clampRegion({truncateToInt(pointerInOverview.x / scale),
                        height - truncateToInt(pointerInOverview.y / scale)},
                       photoPane, width, height);
}

MarkerGeometry regionMarker(RegionPosition region, double scale, PaneSize photoPane, int height)
{
    const double k = scale;
    MarkerGeometry marker;
    marker.x1 = truncateToInt(region.x * k + 1.0);
    marker.x2 = truncateToInt(region.x * k + photoPane.width * k - 1.0);
    marker.y1 = truncateToInt(height * k - region.y * k - 1.0);
    marker.y2 = truncateToInt(marker.y1 - photoPane.height * k + 1.0);
    return marker;
}

PhotoAndPreviewPanes shrinkPanesToPhoto(PhotoAndPreviewPanes panes, int width, int height)
{
    for (PaneSize* pane : {&panes.photo, &panes.preview}) {
        pane->width = std::min(pane->width, width);
    }
    for (PaneSize* pane : {&panes.photo, &panes.preview}) {
        pane->height = std::min(pane->height, height);
    }
    return panes;
}

ControlRect placeControl(ControlRect atTemplate, const DialogTemplate& layout, DialogGrowth growth)
{
    const ControlRect& photoPane = layout.photoPane;
    const ControlRect& previewPane = layout.previewPane;
    // An empty right column is taken as the dialog grows, so that the
    // layout changes smoothly from the template's.
    const int emptyColumn = layout.rightColumnShown ? 0 : layout.width - previewPane.right() - photoPane.left;
    const int paneGrowth = (growth.width + std::min(growth.width, std::max(emptyColumn, 0))) / 2;
    const bool isPane = atTemplate == photoPane || atTemplate == previewPane;
    ControlRect placed = atTemplate;
    if (atTemplate.left >= previewPane.right()) {
        placed.left += growth.width;
    } else if (atTemplate.left >= previewPane.left) {
        placed.left += paneGrowth;
    }
    if (isPane) {
        placed.width += paneGrowth;
    }
    if (atTemplate.top >= photoPane.bottom()) {
        placed.top += growth.height;
    } else {
        placed.height += growth.height;
    }
    return placed;
}

PaneSize devicePixels(PaneSize logical, double devicePixelRatio)
{
    return {static_cast<int>(std::ceil(logical.width * devicePixelRatio)),
            static_cast<int>(std::ceil(logical.height * devicePixelRatio))};
}

PaneSize paneLimitForPhoto(int width, int height, double devicePixelRatio)
{
    return {static_cast<int>(std::ceil(width / devicePixelRatio)),
            static_cast<int>(std::ceil(height / devicePixelRatio))};
}

PaneSize paneRegionSize(PaneSize paneDevicePixels, int width, int height)
{
    return {std::min(paneDevicePixels.width, width), std::min(paneDevicePixels.height, height)};
}

RegionPosition regionAfterResize(RegionPosition region, PaneSize before, PaneSize after, int width,
                                 int height)
{
    // Twice the middle, so that odd sizes keep it exactly.
    const std::int64_t middleX = 2 * static_cast<std::int64_t>(region.x) + before.width;
    const std::int64_t middleY = 2 * static_cast<std::int64_t>(region.y) + before.height;
    return clampRegion({static_cast<int>((middleX - after.width) / 2), static_cast<int>((middleY - after.height) / 2)},
                       after, width, height);
}

PreviewRect previewRectangle(RegionPosition region, PaneSize previewPane)
{
    return {region.x, region.y, previewPane.width, previewPane.height};
}

bool rectangleInsidePhoto(const PreviewRect& rect, const ImagePlanes& image)
{
    return rect.x0 >= 0 && rect.y0 >= 0 && rect.w >= 1 && rect.h >= 1 && rect.w <= image.width - rect.x0 &&
           rect.h <= image.height - rect.y0;
}

SquarePosition squareForPointer(PanePoint pointerInPhotoPane, PaneSize photoPane, int side)
{
    SquarePosition square{pointerInPhotoPane.x, pointerInPhotoPane.y};
    if (square.x < 0) {
        square.x = 0;
    } else if (square.x + side > photoPane.width) {
        square.x = photoPane.width - side - 1;
    }
    if (square.y < 0) {
        square.y = 0;
    } else if (square.y + side > photoPane.height) {
        square.y = photoPane.height - side - 1;
    }
    return square;
}

PreviewRect sampledRectangle(RegionPosition region, int photoPaneHeight, SquarePosition square, int side)
{
    return {region.x + square.x, region.y + photoPaneHeight - square.y - side, side, side};
}

std::optional<RgbColour> sampleTargetColour(const ImagePlanes& image, const PreviewRect& sampled)
{
    const bool missesColumns = sampled.x0 >= image.width || sampled.x0 + sampled.w <= 0;
    const bool missesRows = sampled.y0 >= image.height || sampled.y0 + sampled.h <= 0;
    if (sampled.w <= 0 || sampled.h <= 0 || missesColumns || missesRows) {
        return std::nullopt;
    }
    return colourFromReference(sampleAverageColour(image, sampled.x0, sampled.y0, sampled.w, sampled.h));
}

RgbColour colourFromReference(std::uint32_t packed)
{
    return {static_cast<int>(packed % 256), static_cast<int>((packed / 256) % 256),
            static_cast<int>((packed / 65536) % 256)};
}
