// Adaptive unsharp mask: per pixel and channel, the population deviation of
// `current` over the clipped (2r + 1) x (2r + 1) window scales the strength.
// The squared deviations are summed in the window's scan order (rows
// ascending, columns ascending), which fixes the bytes; split by rows only.
#include "engine/UnsharpMask.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "engine/WholeImage.h"

using engine::wholeImage;

namespace {

// The part of the window that lies inside the image: rows and columns, both
// inclusive.
struct Window {
    std::int32_t firstRow;
    std::int32_t lastRow;
    std::int32_t firstColumn;
    std::int32_t lastColumn;
};

// The pixel rule for the three channels of one pixel.
inline void unsharpPixel(const std::uint8_t* current, std::size_t stride, const Window& window,
                         const std::uint8_t* centre, const std::uint8_t* scratch, std::uint8_t* result,
                         double amount)
{
    const double count = static_cast<double>(window.lastRow - window.firstRow + 1) *
                         static_cast<double>(window.lastColumn - window.firstColumn + 1);
    // Window sums: bytes are integers, so an integer sum equals the double sum.
    std::int32_t sums[3] = {0, 0, 0};
    for (std::int32_t y = window.firstRow; y <= window.lastRow; ++y) {
        const std::uint8_t* pixel = current + y * stride + 3 * static_cast<std::size_t>(window.firstColumn);
        for (std::int32_t x = window.firstColumn; x <= window.lastColumn; ++x, pixel += 3) {
            sums[0] += pixel[0];
            sums[1] += pixel[1];
            sums[2] += pixel[2];
        }
    }
    const double means[3] = {sums[0] / count, sums[1] / count, sums[2] / count};
    // Squared deviations in scan order; the rounding of each addition counts.
    double squares[3] = {0.0, 0.0, 0.0};
    for (std::int32_t y = window.firstRow; y <= window.lastRow; ++y) {
        const std::uint8_t* pixel = current + y * stride + 3 * static_cast<std::size_t>(window.firstColumn);
        for (std::int32_t x = window.firstColumn; x <= window.lastColumn; ++x, pixel += 3) {
            for (int c = 0; c < 3; ++c) {
                const double difference = means[c] - pixel[c];
                squares[c] += difference * difference;
            }
        }
    }
    for (int c = 0; c < 3; ++c) {
        const double deviation = std::sqrt(squares[c] / count);
        const double factor = (255.0 - deviation) / 255.0;
        // Grouping fixed: (k s + 1) x current, then k x (scratch x s).
        const double value = (factor * amount + 1.0) * centre[c] - factor * (scratch[c] * amount);
        result[c] = storeByte(value);
    }
}

void unsharpArea(ImagePlanes& image, PreviewRect area, int radius, double amount)
{
    const std::int32_t r = std::max(radius, 0);
    const std::int32_t width = image.width;
    const std::int32_t height = image.height;
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    const std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        Window window{std::max(0, row - r), std::min(height - 1, row + r), 0, 0};
        const std::size_t rowOffset = row * stride;
        for (std::int32_t x = area.x0; x < area.x0 + area.w; ++x) {
            window.firstColumn = std::max(0, x - r);
            window.lastColumn = std::min(width - 1, x + r);
            const std::size_t offset = rowOffset + 3 * static_cast<std::size_t>(x);
            unsharpPixel(current, stride, window, current + offset, scratch + offset, result + offset, amount);
        }
    });
    fillPlane(image.scratch, 0);
}

} // namespace

void unsharpMask(ImagePlanes& image, int radius, double amount)
{
    unsharpArea(image, wholeImage(image), radius, amount);
}

void unsharpMaskPreview(ImagePlanes& image, PreviewRect rect, int radius, double amount)
{
    unsharpArea(image, rect, radius, amount);
}
