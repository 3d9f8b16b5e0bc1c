// The luminance rank filter. Each row is swept left to right with a sliding
// window histogram per channel: one column of the clipped window leaves and
// one enters per step, and the element of the pixel's rank is read from the
// histogram. The clipping is by the window's row and column ranges, so the
// same kernel serves the interior, the borders, tiny images and the twin.
#include "effects/LuminanceRankFilter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "effects/OperandPlanes.h"
#include "effects/RankSelection.h"

namespace {

// The rank taken by a pixel of luminance y in a window of n samples:
// (y x (n - 1)) / 255 in doubles, truncated. 0 <= rank <= n - 1.
std::uint32_t rankIndex(double y, std::uint32_t n)
{
    return static_cast<std::uint32_t>((y * static_cast<double>(n - 1)) / 255.0);
}

// Computes the `scratch` pixels of columns firstColumn to lastColumn of one row.
void rankFilterRow(ImagePlanes& image, int radius, std::int32_t row, std::int32_t firstColumn,
                   std::int32_t lastColumn, effects::PixelHistogram& histogram)
{
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    const std::int32_t lowRow = std::max(row - radius, 0);
    const std::int32_t highRow = std::min(row + radius, image.height - 1);
    const std::uint32_t windowRows = static_cast<std::uint32_t>(highRow - lowRow + 1);
    auto pixelAt = [&](std::int32_t y, std::int32_t x) {
        return current + static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x);
    };
    auto addColumn = [&](std::int32_t x) {
        for (std::int32_t y = lowRow; y <= highRow; ++y) {
            histogram.add(pixelAt(y, x));
        }
    };
    auto removeColumn = [&](std::int32_t x) {
        for (std::int32_t y = lowRow; y <= highRow; ++y) {
            histogram.remove(pixelAt(y, x));
        }
    };

    histogram.clear();
    std::int32_t lowColumn = std::max(firstColumn - radius, 0);
    std::int32_t highColumn = std::min(firstColumn + radius, image.width - 1);
    for (std::int32_t x = lowColumn; x <= highColumn; ++x) {
        addColumn(x);
    }
    for (std::int32_t x = firstColumn; x <= lastColumn; ++x) {
        if (x > firstColumn) {
            if (x - radius - 1 >= 0) {
                removeColumn(x - radius - 1);
                lowColumn = x - radius;
            }
            if (x + radius < image.width) {
                addColumn(x + radius);
                highColumn = x + radius;
            }
        }
        const std::uint32_t n = windowRows * static_cast<std::uint32_t>(highColumn - lowColumn + 1);
        const std::uint8_t* centre = pixelAt(row, x);
        const std::uint32_t rank = rankIndex(luminance(centre[2], centre[1], centre[0]), n);
        histogram.select(rank, scratch + static_cast<std::size_t>(row) * stride + 3 * static_cast<std::size_t>(x));
    }
}

void rankFilterRect(ImagePlanes& image, int requestedRadius, const PreviewRect& rect)
{
    // A radius below 1 is a window of the pixel alone, which copies it.
    const int radius = std::max(requestedRadius, 0);
    if (rect.w <= 0) {
        return;
    }
    const std::int32_t lastColumn = rect.x0 + rect.w - 1;
    // Each worker keeps one histogram for all of its rows.
#pragma omp parallel
    {
        effects::PixelHistogram histogram;
#pragma omp for schedule(static)
        for (std::int32_t row = rect.y0; row < rect.y0 + rect.h; ++row) {
            rankFilterRow(image, radius, row, rect.x0, lastColumn, histogram);
        }
    }
}

} // namespace

void luminanceRankFilter(ImagePlanes& image, int radius)
{
    rankFilterRect(image, radius, PreviewRect{0, 0, image.width, image.height});
}

void luminanceRankFilterPreview(ImagePlanes& image, int radius, const PreviewRect& region)
{
    rankFilterRect(image, radius, region);
}
