// Row and column passes of the integer blurs. Each output byte is
// (sum of weight x byte) / (sum of the weights used), over the taps inside
// the image; work is split by rows only, so the bytes never depend on the
// thread count. Inside the image's interior no tap is tested at all.
#include "engine/SeparableBlur.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace engine {

namespace {

// Bytes accumulated together: the window is walked tap by tap over a run of
// output bytes, so that the inner loop runs along memory.
constexpr std::int32_t kRunBytes = 384;

// usedWeight[k] = weights[0] + weights[1] + ... + weights[k]: the weight of one
// side of a window clipped to k taps, plus the centre.
std::vector<std::int32_t> sideTotals(BlurWeights weights)
{
    std::vector<std::int32_t> totals(weights.size());
    std::int32_t sum = 0;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        sum += weights[i];
        totals[i] = sum;
    }
    return totals;
}

// One output pixel of the row pass whose window keeps `left` taps to the left
// and `right` taps to the right (each at most the radius).
inline void blurClippedPixel(const std::uint8_t* in, std::uint8_t* out, BlurWeights weights,
                             std::int32_t left, std::int32_t right, std::int32_t total)
{
    for (int c = 0; c < 3; ++c) {
        std::int32_t acc = weights[0] * in[c];
        for (std::int32_t i = 1; i <= left; ++i) {
            acc += weights[i] * in[c - 3 * i];
        }
        for (std::int32_t i = 1; i <= right; ++i) {
            acc += weights[i] * in[c + 3 * i];
        }
        out[c] = static_cast<std::uint8_t>(acc / total);
    }
}

// Interior bytes first to last of a row: every tap lies inside the row.
void blurRowInterior(const std::uint8_t* in, std::uint8_t* out, BlurWeights weights, std::int32_t first,
                     std::int32_t last, std::int32_t total)
{
    const std::int32_t radius = static_cast<std::int32_t>(weights.size()) - 1;
    std::array<std::int32_t, kRunBytes> acc;
    for (std::int32_t start = first; start <= last; start += kRunBytes) {
        const std::int32_t count = std::min(kRunBytes, last - start + 1);
        const std::uint8_t* centre = in + start;
        for (std::int32_t j = 0; j < count; ++j) {
            acc[j] = weights[0] * centre[j];
        }
        for (std::int32_t i = 1; i <= radius; ++i) {
            const std::int32_t weight = weights[i];
            const std::uint8_t* below = centre - 3 * i;
            const std::uint8_t* above = centre + 3 * i;
            for (std::int32_t j = 0; j < count; ++j) {
                acc[j] += weight * (below[j] + above[j]);
            }
        }
        for (std::int32_t j = 0; j < count; ++j) {
            out[start + j] = static_cast<std::uint8_t>(acc[j] / total);
        }
    }
}

} // namespace

void blurRowsIntoScratch(ImagePlanes& image, BlurWeights weights, PreviewRect area)
{
    const std::int32_t radius = static_cast<std::int32_t>(weights.size()) - 1;
    const std::int32_t width = image.width;
    const std::size_t stride = image.stride();
    const std::vector<std::int32_t> totals = sideTotals(weights);
    const std::int32_t firstColumn = area.x0;
    const std::int32_t lastColumn = area.x0 + area.w - 1;
    // Columns whose window lies wholly inside the row; may be empty.
    const std::int32_t interiorFirst = std::max(firstColumn, radius);
    const std::int32_t interiorLast = std::min(lastColumn, width - 1 - radius);
    const std::uint8_t* source = image.current.data();
    std::uint8_t* target = image.scratch.data();

    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        const std::uint8_t* in = source + row * stride;
        std::uint8_t* out = target + row * stride;
        const auto clipped = [&](std::int32_t from, std::int32_t to) {
            for (std::int32_t x = from; x <= to; ++x) {
                const std::int32_t left = std::min(radius, x);
                const std::int32_t right = std::min(radius, width - 1 - x);
                blurClippedPixel(in + 3 * x, out + 3 * x, weights, left, right,
                                 totals[left] + totals[right] - weights[0]);
            }
        };
        if (interiorFirst > interiorLast) {
            clipped(firstColumn, lastColumn);
            return;
        }
        clipped(firstColumn, interiorFirst - 1);
        blurRowInterior(in, out, weights, 3 * interiorFirst, 3 * interiorLast + 2,
                        2 * totals[radius] - weights[0]);
        clipped(interiorLast + 1, lastColumn);
    });
}

void blurColumnsIntoResult(ImagePlanes& image, BlurWeights weights, PreviewRect area)
{
    const std::int32_t radius = static_cast<std::int32_t>(weights.size()) - 1;
    const std::int32_t height = image.height;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(image.stride());
    const std::vector<std::int32_t> totals = sideTotals(weights);
    const std::int32_t firstByte = 3 * area.x0;
    const std::int32_t lastByte = 3 * (area.x0 + area.w) - 1;
    const std::uint8_t* source = image.scratch.data();
    std::uint8_t* target = image.result.data();

    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        // Every byte of the row keeps the same taps: the window is clipped
        // only at the bottom and top of the image.
        const std::int32_t below = std::min(radius, row);
        const std::int32_t above = std::min(radius, height - 1 - row);
        const std::int32_t total = totals[below] + totals[above] - weights[0];
        const std::uint8_t* centre = source + row * stride;
        std::uint8_t* out = target + row * stride;
        std::array<std::int32_t, kRunBytes> acc;
        for (std::int32_t start = firstByte; start <= lastByte; start += kRunBytes) {
            const std::int32_t count = std::min(kRunBytes, lastByte - start + 1);
            for (std::int32_t j = 0; j < count; ++j) {
                acc[j] = weights[0] * centre[start + j];
            }
            for (std::int32_t i = 1; i <= below; ++i) {
                const std::int32_t weight = weights[i];
                const std::uint8_t* in = centre - i * stride + start;
                for (std::int32_t j = 0; j < count; ++j) {
                    acc[j] += weight * in[j];
                }
            }
            for (std::int32_t i = 1; i <= above; ++i) {
                const std::int32_t weight = weights[i];
                const std::uint8_t* in = centre + i * stride + start;
                for (std::int32_t j = 0; j < count; ++j) {
                    acc[j] += weight * in[j];
                }
            }
            for (std::int32_t j = 0; j < count; ++j) {
                out[start + j] = static_cast<std::uint8_t>(acc[j] / total);
            }
        }
    });
}

void moveResultToScratch(ImagePlanes& image)
{
    copyPlane(image.scratch, image.result);
    fillPlane(image.result, 0);
}

} // namespace engine
