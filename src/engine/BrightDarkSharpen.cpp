// Bright and dark sharpen: per channel, the mean of the bytes of the nested
// clipped squares that are not brighter (bright) or not darker (dark) than
// the pixel's own byte, a byte counted once per square that holds it.
// Written into `scratch` only; split by rows only.
#include "engine/BrightDarkSharpen.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/KernelTargets.h"
#include "engine/WholeImage.h"
#include "engine/WindowRows.h"

using engine::wholeImage;

namespace {

enum class Side { Bright, Dark };

// The squares of the family: half-sizes radius, radius - step, ... while at
// least 1. A radius below 1 leaves the pixel alone (one square of half-size 0)
// and a step below 1 is taken as 1, so that the family is always finite and
// never empty.
struct SquareFamily {
    std::int32_t radius;
    std::int32_t step;
    std::int32_t count;
};

SquareFamily squareFamily(int radius, int ringStep)
{
    if (radius < 1) {
        return SquareFamily{0, 1, 1};
    }
    const std::int32_t step = std::max(ringStep, 1);
    return SquareFamily{radius, step, (radius + step - 1) / step};
}

// Output bytes computed together by the interior kernel.
constexpr std::int32_t kRunBytes = 128;
// Taps of one square row added in 16 bits before joining the 32-bit sums.
constexpr std::int32_t kPieceTaps = 257;

template <Side side>
inline bool taken(std::uint8_t byte, std::uint8_t own)
{
    return side == Side::Bright ? byte <= own : byte >= own;
}

// The last step of the pixel rule: a mean of bytes, which truncation alone
// stores. Sums and counts of bytes are integers, so the integer sums equal
// the double sums of the rule.
inline std::uint8_t meanByte(std::int32_t sum, std::int32_t count)
{
    return static_cast<std::uint8_t>(static_cast<double>(sum) / static_cast<double>(count));
}

// The pixel rule for the three channels of one pixel, every square clipped
// to the image.
template <Side side>
inline void sharpenPixel(const ImagePlanes& image, const SquareFamily& family, std::int32_t x, std::int32_t y,
                         std::uint8_t* out)
{
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    const std::uint8_t* own = current + y * stride + 3 * static_cast<std::size_t>(x);
    std::int32_t sums[3] = {0, 0, 0};
    std::int32_t counts[3] = {0, 0, 0};
    for (std::int32_t k = 0; k < family.count; ++k) {
        const std::int32_t half = family.radius - k * family.step;
        const std::int32_t firstRow = std::max(0, y - half);
        const std::int32_t lastRow = std::min(image.height - 1, y + half);
        const std::int32_t firstColumn = std::max(0, x - half);
        const std::int32_t lastColumn = std::min(image.width - 1, x + half);
        for (std::int32_t row = firstRow; row <= lastRow; ++row) {
            const std::uint8_t* pixel = current + row * stride + 3 * static_cast<std::size_t>(firstColumn);
            for (std::int32_t column = firstColumn; column <= lastColumn; ++column, pixel += 3) {
                for (int c = 0; c < 3; ++c) {
                    const bool take = taken<side>(pixel[c], own[c]);
                    sums[c] += take ? pixel[c] : 0;
                    counts[c] += take ? 1 : 0;
                }
            }
        }
    }
    for (int c = 0; c < 3; ++c) {
        out[c] = meanByte(sums[c], counts[c]);
    }
}

// The same rule for a run of channel bytes whose squares lie wholly inside
// the image. A byte's squares hold the bytes of its own channel at offsets
// 3 dx along the row, so the bytes of the run are independent lanes.
template <Side side>
[[gnu::always_inline]] inline void sharpenInteriorRun(const std::uint8_t* own, std::ptrdiff_t stride,
                                                      const SquareFamily& family, std::int32_t count, std::uint8_t* out)
{
    std::int32_t sums[kRunBytes];
    std::int32_t counts[kRunBytes];
    std::fill(sums, sums + count, 0);
    std::fill(counts, counts + count, 0);
    for (std::int32_t k = 0; k < family.count; ++k) {
        const std::int32_t half = family.radius - k * family.step;
        for (std::int32_t dy = -half; dy <= half; ++dy) {
            // 257 taken bytes of at most 255 fit 16 bits: the lanes add a row
            // in 16-bit pieces of that many taps, which then join the
            // 32-bit sums.
            for (std::int32_t pieceStart = -half; pieceStart <= half; pieceStart += kPieceTaps) {
                const std::int32_t pieceEnd = std::min(half, pieceStart + kPieceTaps - 1);
                std::uint16_t rowSums[kRunBytes] = {};
                std::uint16_t rowCounts[kRunBytes] = {};
                for (std::int32_t dx = pieceStart; dx <= pieceEnd; ++dx) {
                    const std::uint8_t* in = own + dy * stride + 3 * dx;
                    for (std::int32_t b = 0; b < count; ++b) {
                        const bool take = taken<side>(in[b], own[b]);
                        rowSums[b] += take ? in[b] : 0;
                        rowCounts[b] += take ? 1 : 0;
                    }
                }
                for (std::int32_t b = 0; b < count; ++b) {
                    sums[b] += rowSums[b];
                    counts[b] += rowCounts[b];
                }
            }
        }
    }
    for (std::int32_t b = 0; b < count; ++b) {
        out[b] = meanByte(sums[b], counts[b]);
    }
}

// The interior kernels of the two sides, compiled for every target.
FOTRA_KERNEL(brightInteriorRun, sharpenInteriorRun<Side::Bright>)
FOTRA_KERNEL(darkInteriorRun, sharpenInteriorRun<Side::Dark>)

template <Side side>
void sharpenArea(ImagePlanes& image, PreviewRect area, int radius, int ringStep)
{
    const SquareFamily family = squareFamily(radius, ringStep);
    const std::int32_t r = family.radius;
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    const engine::WindowColumns columns = engine::windowColumns(area.x0, area.x0 + area.w - 1, r, image.width);

    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        const std::size_t rowOffset = row * stride;
        const auto clipped = [&](std::int32_t from, std::int32_t to) {
            for (std::int32_t x = from; x <= to; ++x) {
                sharpenPixel<side>(image, family, x, row, scratch + rowOffset + 3 * static_cast<std::size_t>(x));
            }
        };
        const auto interior = [&](std::int32_t firstByte, std::int32_t byteCount) {
            const std::size_t offset = rowOffset + firstByte;
            if constexpr (side == Side::Bright) {
                brightInteriorRun(current + offset, static_cast<std::ptrdiff_t>(stride), family, byteCount,
                                  scratch + offset);
            } else {
                darkInteriorRun(current + offset, static_cast<std::ptrdiff_t>(stride), family, byteCount,
                                scratch + offset);
            }
        };
        engine::forWindowRow(row, r, image.height, columns, kRunBytes, clipped, interior);
    });
}

} // namespace

void brightSharpen(ImagePlanes& image, int radius, int ringStep)
{
    sharpenArea<Side::Bright>(image, wholeImage(image), radius, ringStep);
}

void darkSharpen(ImagePlanes& image, int radius, int ringStep)
{
    sharpenArea<Side::Dark>(image, wholeImage(image), radius, ringStep);
}

void brightSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep)
{
    sharpenArea<Side::Bright>(image, rect, radius, ringStep);
}

void darkSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep)
{
    sharpenArea<Side::Dark>(image, rect, radius, ringStep);
}
