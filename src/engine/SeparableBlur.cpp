// Row and column passes of the integer blurs. Each output byte is
// (sum of weight x byte) / (sum of the weights used), over the taps inside
// the image. All sums are exact integers, so two ways of forming them give
// the same bytes: tap by tap, or (for wide windows with few distinct weights)
// as nested boxes read from prefix sums. Every output byte is written by one
// worker, so the bytes never depend on the thread count; inside the image's
// interior no tap is tested at all.
#include "engine/SeparableBlur.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

#include "engine/ParallelPlanes.h"
#include "engine/VectorClones.h"
#include "engine/WholeImage.h"
#include "engine/WorkerBuffers.h"

namespace engine {

namespace {

// Output bytes accumulated together: the window is walked tap by tap over a
// run of bytes, so that the inner loop runs along memory.
constexpr std::int32_t kRunBytes = 384;
// Bytes of a row the box row pass sums together, in registers: a few
// vectors of 8 unsigned 32-bit lanes (GCC and Clang vector extensions, so
// that the loop over the boxes keeps them in registers).
constexpr std::int32_t kLanes = 32;
constexpr std::int32_t kLaneWidth = 8;
using Lanes = std::uint32_t __attribute__((vector_size(kLaneWidth * sizeof(std::uint32_t))));

// sums += weight x (high - low) over kLaneWidth lanes of prefix sums.
[[gnu::always_inline]] inline void addBox(Lanes& sums, const Lanes& weight, const std::int32_t* high,
                                          const std::int32_t* low)
{
    Lanes highLanes;
    Lanes lowLanes;
    std::memcpy(&highLanes, high, sizeof highLanes);
    std::memcpy(&lowLanes, low, sizeof lowLanes);
    sums += weight * (highLanes - lowLanes);
}
// Width in bytes of the column strips of the column passes: a strip walks
// down every row, so each row's piece must be long enough to repay reaching
// a new memory page.
constexpr std::int32_t kStripBytes = 64;

// The store step of the pixel rule: the truncated quotient of two
// non-negative 32-bit integers. Dividing in doubles gives the same integer
// (the quotient's rounding error stays below 1 / total whenever acc < 2^53)
// and, unlike an integer division, runs on whole vectors of bytes.
inline std::uint8_t blurredByte(std::int32_t acc, std::int32_t total)
{
    return static_cast<std::uint8_t>(static_cast<double>(acc) / static_cast<double>(total));
}

// sideTotals[k] = weights[0] + ... + weights[k]: the centre plus one side of
// a window clipped to k taps.
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

// The table without its trailing zero weights (the centre always stays): a
// tap of weight 0 adds nothing to a sum nor to a total, clipped or not.
BlurWeights withoutZeroTail(BlurWeights weights)
{
    std::size_t size = weights.size();
    while (size > 1 && weights[size - 1] == 0) {
        --size;
    }
    return weights.first(size);
}

// A non-increasing weight table is a sum of nested boxes: the box of
// half-width k carries weights[k] - weights[k + 1]. A tap at offset i then
// receives the weight of every box with k >= |i|, that is weights[|i|].
struct Box {
    std::int32_t half;
    std::int32_t weight;
};

// The boxes of the table, or nothing when the tap-by-tap form is as cheap or
// the table is not non-increasing.
std::vector<Box> boxesOf(BlurWeights weights)
{
    std::vector<Box> boxes;
    const std::size_t last = weights.size() - 1;
    for (std::size_t k = 0; k <= last; ++k) {
        const std::int32_t next = k == last ? 0 : weights[k + 1];
        if (weights[k] < next) {
            return {};
        }
        if (weights[k] > next) {
            boxes.push_back(Box{static_cast<std::int32_t>(k), weights[k] - next});
        }
    }
    if (boxes.size() + 1 >= weights.size()) {
        return {};
    }
    return boxes;
}

// Tap-by-tap row pass, one pixel whose window keeps `left` taps to the left
// and `right` taps to the right (each at most the radius).
inline void blurClippedPixel(const std::uint8_t* in, std::uint8_t* out, BlurWeights weights, std::int32_t left,
                             std::int32_t right, std::int32_t total)
{
    for (int c = 0; c < 3; ++c) {
        std::int32_t acc = weights[0] * in[c];
        for (std::int32_t i = 1; i <= left; ++i) {
            acc += weights[i] * in[c - 3 * i];
        }
        for (std::int32_t i = 1; i <= right; ++i) {
            acc += weights[i] * in[c + 3 * i];
        }
        out[c] = blurredByte(acc, total);
    }
}

// Tap-by-tap row pass over interior bytes first to last of a row: every tap
// lies inside the row.
FOTRA_VECTOR_CLONES void blurRowInterior(const std::uint8_t* in, std::uint8_t* out, BlurWeights weights,
                                         std::int32_t first, std::int32_t last, std::int32_t total)
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
            out[start + j] = blurredByte(acc[j], total);
        }
    }
}

// Box row pass over the columns firstColumn to lastColumn of one row.
// prefix[3 (m - firstColumn + radius) + c] holds the sum of channel c over
// the row's columns below m, less a constant, for m from firstColumn -
// radius to lastColumn + radius + 1; columns outside the row add nothing, so
// every box sum is already clipped to the row and no tap needs a test.
// totals holds the clipped weight total of each output byte.
FOTRA_VECTOR_CLONES void blurRowBoxes(const std::uint8_t* in, std::uint8_t* out, std::int32_t width,
                                      std::int32_t firstColumn, std::int32_t lastColumn, std::int32_t radius,
                                      const std::vector<Box>& boxes, const std::int32_t* totals, std::int32_t* prefix)
{
    const std::int32_t base = firstColumn - radius;
    const std::int32_t end = lastColumn + radius + 1;
    // Byte j of the row has its prefix entry at prefix[j - shift].
    const std::int32_t shift = 3 * base;
    const std::int32_t insideFirst = std::max(base, 0);
    const std::int32_t insideEnd = std::min(end, width);
    prefix[0] = prefix[1] = prefix[2] = 0;
    for (std::int32_t j = 3 * base; j < 3 * insideFirst; ++j) {
        prefix[j - shift + 3] = prefix[j - shift];
    }
    for (std::int32_t j = 3 * insideFirst; j < 3 * insideEnd; ++j) {
        prefix[j - shift + 3] = prefix[j - shift] + in[j];
    }
    for (std::int32_t j = 3 * std::max(insideEnd, base); j < 3 * end; ++j) {
        prefix[j - shift + 3] = prefix[j - shift];
    }

    // Whole blocks of kLanes bytes, the accumulators held in registers
    // across the boxes; the last block reads up to kLanes - 1 entries past
    // the row's prefix (the buffer has room for them), whose lanes are not
    // stored. Unsigned sums keep those lanes' arithmetic defined; the stored
    // lanes hold exact sums below 2^31.
    for (std::int32_t j = 3 * end; j < 3 * end + kLanes; ++j) {
        prefix[j - shift + 3] = prefix[3 * end - shift];
    }
    const std::int32_t firstByte = 3 * firstColumn;
    const std::int32_t lastByte = 3 * lastColumn + 2;
    for (std::int32_t start = firstByte; start <= lastByte; start += kLanes) {
        Lanes sums[kLanes / kLaneWidth] = {};
        for (const Box& box : boxes) {
            const std::int32_t* high = prefix + (start - shift) + 3 * (box.half + 1);
            const std::int32_t* low = prefix + (start - shift) - 3 * box.half;
            const Lanes weight = Lanes{} + static_cast<std::uint32_t>(box.weight);
            for (std::int32_t k = 0; k < kLanes / kLaneWidth; ++k) {
                addBox(sums[k], weight, high + k * kLaneWidth, low + k * kLaneWidth);
            }
        }
        std::uint32_t acc[kLanes];
        std::memcpy(acc, sums, sizeof acc);
        const std::int32_t count = std::min(kLanes, lastByte - start + 1);
        const std::int32_t* byteTotals = totals + (start - firstByte);
        for (std::int32_t j = 0; j < count; ++j) {
            out[start + j] = blurredByte(static_cast<std::int32_t>(acc[j]), byteTotals[j]);
        }
    }
}

// The clipped weight total of every byte of the columns firstColumn to
// lastColumn, for the box row pass.
std::vector<std::int32_t> boxRowTotals(const std::vector<Box>& boxes, std::int32_t width, std::int32_t firstColumn,
                                       std::int32_t lastColumn)
{
    std::vector<std::int32_t> totals;
    totals.reserve(3 * static_cast<std::size_t>(std::max(0, lastColumn - firstColumn + 1)));
    for (std::int32_t x = firstColumn; x <= lastColumn; ++x) {
        std::int32_t total = 0;
        for (const Box& box : boxes) {
            total += box.weight * (std::min(width, x + box.half + 1) - std::max(0, x - box.half));
        }
        totals.insert(totals.end(), 3, total);
    }
    return totals;
}

// Box column pass over one strip of `count` bytes from byte `start` of each
// row: the strip's column prefix sums cover the rows fromRow to toRow that
// its windows reach, and every row of the area then reads its boxes from
// them. prefix holds (toRow - fromRow + 2) x kStripBytes sums.
FOTRA_VECTOR_CLONES void blurStrip(const std::uint8_t* source, std::uint8_t* target, std::size_t stride,
                                   std::int32_t height, std::int32_t fromRow, std::int32_t toRow, std::int32_t firstRow,
                                   std::int32_t lastRow, std::int32_t start, std::int32_t count,
                                   const std::vector<Box>& boxes, std::int32_t* prefix)
{
    // prefix + (m - fromRow) x kStripBytes: the sums over rows fromRow to m - 1.
    std::fill(prefix, prefix + kStripBytes, 0);
    for (std::int32_t row = fromRow; row <= toRow; ++row) {
        const std::uint8_t* in = source + row * stride + start;
        std::int32_t* previous = prefix + (row - fromRow) * kStripBytes;
        std::int32_t* next = previous + kStripBytes;
        for (std::int32_t j = 0; j < count; ++j) {
            next[j] = previous[j] + in[j];
        }
    }
    // Lanes past `count` sum the buffer's leftovers (prefix sums of bytes, so
    // no difference overflows) and are not stored.
    for (std::int32_t row = firstRow; row <= lastRow; ++row) {
        Lanes sums[kStripBytes / kLaneWidth] = {};
        std::int32_t total = 0;
        for (const Box& box : boxes) {
            const std::int32_t low = std::max(0, row - box.half);
            const std::int32_t high = std::min(height, row + box.half + 1);
            total += box.weight * (high - low);
            const std::int32_t* lowSums = prefix + (low - fromRow) * kStripBytes;
            const std::int32_t* highSums = prefix + (high - fromRow) * kStripBytes;
            const Lanes weight = Lanes{} + static_cast<std::uint32_t>(box.weight);
            for (std::int32_t k = 0; k < kStripBytes / kLaneWidth; ++k) {
                addBox(sums[k], weight, highSums + k * kLaneWidth, lowSums + k * kLaneWidth);
            }
        }
        std::uint32_t acc[kStripBytes];
        std::memcpy(acc, sums, sizeof acc);
        std::uint8_t* out = target + row * stride + start;
        for (std::int32_t j = 0; j < count; ++j) {
            out[j] = blurredByte(static_cast<std::int32_t>(acc[j]), total);
        }
    }
}

// Box column pass over the area, strip by strip.
void blurColumnsBoxes(ImagePlanes& image, std::int32_t radius, const std::vector<Box>& boxes, PreviewRect area)
{
    const std::int32_t firstByte = 3 * area.x0;
    const std::int32_t bytes = 3 * area.w;
    const std::int32_t strips = (bytes + kStripBytes - 1) / kStripBytes;
    const std::int32_t fromRow = std::max(0, area.y0 - radius);
    const std::int32_t toRow = std::min(image.height - 1, area.y0 + area.h - 1 + radius);
    WorkerBuffers<std::int32_t> buffers(static_cast<std::size_t>(toRow - fromRow + 2) * kStripBytes);
    // The loop runs over strip indices: each strip's bytes belong to one worker.
    parallelRows(0, strips - 1, [&](std::int32_t strip) {
        const std::int32_t start = firstByte + strip * kStripBytes;
        blurStrip(image.scratch.data(), image.result.data(), image.stride(), image.height, fromRow, toRow, area.y0,
                  area.y0 + area.h - 1, start, std::min(kStripBytes, firstByte + bytes - start), boxes, buffers.mine());
    });
}

// Tap-by-tap column pass over bytes first to last of one row, whose windows
// keep `below` taps below and `above` taps above (each at most the radius).
FOTRA_VECTOR_CLONES void blurColumnRow(const std::uint8_t* centre, std::uint8_t* out, std::ptrdiff_t stride,
                                       BlurWeights weights, std::int32_t below, std::int32_t above, std::int32_t total,
                                       std::int32_t first, std::int32_t last)
{
    std::array<std::int32_t, kRunBytes> acc;
    for (std::int32_t start = first; start <= last; start += kRunBytes) {
        const std::int32_t count = std::min(kRunBytes, last - start + 1);
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
            out[start + j] = blurredByte(acc[j], total);
        }
    }
}

} // namespace

void blurRowsIntoScratch(ImagePlanes& image, BlurWeights fullWeights, PreviewRect area)
{
    const BlurWeights weights = withoutZeroTail(fullWeights);
    const std::int32_t radius = static_cast<std::int32_t>(weights.size()) - 1;
    const std::int32_t width = image.width;
    const std::size_t stride = image.stride();
    const std::int32_t firstColumn = area.x0;
    const std::int32_t lastColumn = area.x0 + area.w - 1;
    const std::uint8_t* source = image.current.data();
    std::uint8_t* target = image.scratch.data();

    const std::vector<Box> boxes = boxesOf(weights);
    if (!boxes.empty()) {
        const std::vector<std::int32_t> totals = boxRowTotals(boxes, width, firstColumn, lastColumn);
        WorkerBuffers<std::int32_t> buffers(3 * (static_cast<std::size_t>(std::max(area.w, 0)) + 2 * radius + 2) +
                                            kLanes);
        parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
            blurRowBoxes(source + row * stride, target + row * stride, width, firstColumn, lastColumn, radius, boxes,
                         totals.data(), buffers.mine());
        });
        return;
    }

    const std::vector<std::int32_t> totals = sideTotals(weights);
    // Columns whose window lies wholly inside the row; may be empty.
    const std::int32_t interiorFirst = std::max(firstColumn, radius);
    const std::int32_t interiorLast = std::min(lastColumn, width - 1 - radius);
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
        blurRowInterior(in, out, weights, 3 * interiorFirst, 3 * interiorLast + 2, 2 * totals[radius] - weights[0]);
        clipped(interiorLast + 1, lastColumn);
    });
}

void blurColumnsIntoResult(ImagePlanes& image, BlurWeights fullWeights, PreviewRect area)
{
    const BlurWeights weights = withoutZeroTail(fullWeights);
    const std::int32_t radius = static_cast<std::int32_t>(weights.size()) - 1;
    const std::vector<Box> boxes = boxesOf(weights);
    if (!boxes.empty()) {
        blurColumnsBoxes(image, radius, boxes, area);
        return;
    }

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
        blurColumnRow(source + row * stride, target + row * stride, stride, weights, below, above, total, firstByte,
                      lastByte);
    });
}

void moveResultToScratch(ImagePlanes& image)
{
    copyPlaneShared(image.scratch, image.result);
    fillPlaneShared(image.result, 0);
}

void blurColumnsInPlace(ImagePlanes& image, BlurWeights fullWeights)
{
    const BlurWeights weights = withoutZeroTail(fullWeights);
    const std::int32_t height = image.height;
    const std::size_t stride = image.stride();
    const std::int32_t bytes = 3 * image.width;
    const std::int32_t strips = (bytes + kStripBytes - 1) / kStripBytes;
    std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();

    // The tap-by-tap form reads long runs of whole rows, which beats any
    // strip; only the box form, whose strips hold their prefix sums, works
    // in place.
    const std::vector<Box> boxes = boxesOf(weights);
    if (boxes.empty()) {
        blurColumnsIntoResult(image, weights, wholeImage(image));
        moveResultToScratch(image);
        return;
    }
    // Every strip covers whole columns, so each reads only its own bytes.
    WorkerBuffers<std::int32_t> buffers((static_cast<std::size_t>(height) + 1) * kStripBytes);
    parallelRows(0, strips - 1, [&](std::int32_t strip) {
        const std::int32_t start = strip * kStripBytes;
        // The strip's prefix sums hold all its rows before any is written.
        blurStrip(scratch, scratch, stride, height, 0, height - 1, 0, height - 1, start,
                  std::min(kStripBytes, bytes - start), boxes, buffers.mine());
    });
    // What the copy of `result` into `scratch` leaves in the row padding,
    // then `result` cleared.
    const std::size_t pixelBytes = static_cast<std::size_t>(bytes);
    parallelRows(0, height - 1, [&](std::int32_t row) {
        std::uint8_t* resultRow = result + row * stride;
        std::copy(resultRow + pixelBytes, resultRow + stride, scratch + row * stride + pixelBytes);
        std::fill(resultRow, resultRow + stride, 0);
    });
}

} // namespace engine
