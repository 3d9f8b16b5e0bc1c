// Adaptive unsharp mask: per pixel and channel, the population deviation of
// `current` over the clipped (2r + 1) x (2r + 1) window scales the strength.
// The squared deviations are summed in the window's scan order (rows
// ascending, columns ascending), which fixes the bytes; split by rows only.
#include "engine/UnsharpMask.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "engine/KernelTargets.h"
#include "engine/WholeImage.h"
#include "engine/WindowRows.h"
#include "engine/WorkerBuffers.h"

using engine::wholeImage;

namespace {

// Output bytes computed together by the interior kernel.
constexpr std::int32_t kRunBytes = 128;

// The last steps of the pixel rule for one channel byte, from the window's
// pixel count, mean and sum of squared deviations.
inline std::uint8_t sharpenedByte(double count, double squares, std::uint8_t current, std::uint8_t scratch,
                                  double amount)
{
    const double deviation = std::sqrt(squares / count);
    const double factor = (255.0 - deviation) / 255.0;
    // Grouping fixed: (k s + 1) x current, then k x (scratch x s).
    const double value = (factor * amount + 1.0) * current - factor * (scratch * amount);
    return storeByte(value);
}

// The part of the window that lies inside the image: rows and columns, both
// inclusive.
struct Window {
    std::int32_t firstRow;
    std::int32_t lastRow;
    std::int32_t firstColumn;
    std::int32_t lastColumn;
};

// The pixel rule for the three channels of one pixel whose window is clipped.
inline void unsharpPixel(const std::uint8_t* current, std::size_t stride, const Window& window,
                         const std::uint8_t* centre, const std::uint8_t* scratch, std::uint8_t* result, double amount)
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
        result[c] = sharpenedByte(count, squares[c], centre[c], scratch[c], amount);
    }
}

// The same rule for a run of channel bytes whose windows lie wholly inside
// the image. Each byte's window holds the bytes of its own channel at offsets
// 3 dx along the row, so the bytes of the run are independent lanes: the
// loops run over the lanes innermost and every lane keeps the scan order.
// `row` holds count + 6 x radius doubles (one window row, converted once) and
// `columnSums` as many integers (the window's column sums).
[[gnu::always_inline]] inline void unsharpInteriorRunLoop(const std::uint8_t* centre, std::ptrdiff_t stride, std::int32_t radius,
                                            std::int32_t count, const std::uint8_t* scratch, std::uint8_t* result,
                                            double amount, double* row, std::int32_t* columnSums)
{
    const double pixels = static_cast<double>(2 * radius + 1) * (2 * radius + 1);
    const std::int32_t span = count + 6 * radius;
    // Window sums from column sums: exact integers, so any order gives the
    // double sum of the rule.
    const std::uint8_t* corner = centre - radius * stride - 3 * radius;
    std::fill(columnSums, columnSums + span, 0);
    for (std::int32_t dy = 0; dy <= 2 * radius; ++dy) {
        const std::uint8_t* in = corner + dy * stride;
        for (std::int32_t j = 0; j < span; ++j) {
            columnSums[j] += in[j];
        }
    }
    std::int32_t sums[kRunBytes];
    double means[kRunBytes];
    double squares[kRunBytes];
    std::fill(sums, sums + count, 0);
    for (std::int32_t dx = 0; dx <= 2 * radius; ++dx) {
        const std::int32_t* column = columnSums + 3 * dx;
        for (std::int32_t b = 0; b < count; ++b) {
            sums[b] += column[b];
        }
    }
    for (std::int32_t b = 0; b < count; ++b) {
        means[b] = sums[b] / pixels;
        squares[b] = 0.0;
    }
    for (std::int32_t dy = -radius; dy <= radius; ++dy) {
        const std::uint8_t* in = centre + dy * stride - 3 * radius;
        for (std::int32_t j = 0; j < span; ++j) {
            row[j] = in[j];
        }
        for (std::int32_t dx = 0; dx <= 2 * radius; ++dx) {
            const double* taps = row + 3 * dx;
            for (std::int32_t b = 0; b < count; ++b) {
                const double difference = means[b] - taps[b];
                squares[b] += difference * difference;
            }
        }
    }
    for (std::int32_t b = 0; b < count; ++b) {
        result[b] = sharpenedByte(pixels, squares[b], centre[b], scratch[b], amount);
    }
}

FOTRA_KERNEL(unsharpInteriorRun, unsharpInteriorRunLoop)

void unsharpArea(ImagePlanes& image, PreviewRect area, int radius, double amount)
{
    const std::int32_t r = std::max(radius, 0);
    const std::int32_t width = image.width;
    const std::int32_t height = image.height;
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    const std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    const engine::WindowColumns columns = engine::windowColumns(area.x0, area.x0 + area.w - 1, r, width);

    engine::WorkerBuffers<double> rowBuffers(kRunBytes + 6 * static_cast<std::size_t>(r));
    engine::WorkerBuffers<std::int32_t> columnBuffers(kRunBytes + 6 * static_cast<std::size_t>(r));

    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        const std::size_t rowOffset = row * stride;
        double* windowRow = rowBuffers.mine();
        std::int32_t* columnSums = columnBuffers.mine();
        Window window{std::max(0, row - r), std::min(height - 1, row + r), 0, 0};
        const auto clipped = [&](std::int32_t from, std::int32_t to) {
            for (std::int32_t x = from; x <= to; ++x) {
                window.firstColumn = std::max(0, x - r);
                window.lastColumn = std::min(width - 1, x + r);
                const std::size_t offset = rowOffset + 3 * static_cast<std::size_t>(x);
                unsharpPixel(current, stride, window, current + offset, scratch + offset, result + offset, amount);
            }
        };
        const auto interior = [&](std::int32_t firstByte, std::int32_t byteCount) {
            const std::size_t offset = rowOffset + firstByte;
            unsharpInteriorRun(current + offset, static_cast<std::ptrdiff_t>(stride), r, byteCount, scratch + offset,
                               result + offset, amount, windowRow, columnSums);
        };
        engine::forWindowRow(row, r, height, columns, kRunBytes, clipped, interior);
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
