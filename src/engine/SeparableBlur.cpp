// Row and column passes of the integer blurs. Each output byte is
// (sum of weight x byte) / (sum of the weights used), over the taps inside
// the image. All sums are exact integers, so two ways of forming them give
// the same bytes: tap by tap, or (for wide windows with few distinct weights)
// as nested boxes read from prefix sums. The division is an exact multiply
// and shift (ExactDivision.h). Every output byte is written by one worker,
// so the bytes never depend on the thread count.
#include "engine/SeparableBlur.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

#include "engine/ExactDivision.h"
#include "engine/KernelTargets.h"
#include "engine/ParallelPlanes.h"
#include "engine/WholeImage.h"
#include "engine/WorkerBuffers.h"

namespace engine {

namespace {

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

// The weight total of a window that keeps `low` taps on one side and `high`
// on the other.
std::int32_t clippedTotal(const std::vector<std::int32_t>& totals, std::int32_t low, std::int32_t high)
{
    return totals[low] + totals[high] - totals[0];
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

// ---------------------------------------------------------------------------
// Tap form: a line of bytes is summed a run at a time, tap by tap, so that
// the inner loops run along memory over 16-bit lanes. Taps outside the
// image read zero bytes, which add nothing, so only the divisor knows about
// clipping.

constexpr std::int32_t kRunBytes = 512;

// The weights and the tap groups whose partial sums fit 16-bit lanes: each
// group's weights, both sides counted (and the centre in the first), add up
// to at most kNarrowTotal. groupEnds holds the last tap offset of each group.
// A window of one group (its total at most kNarrowTotal) keeps its sums in
// 16 bits; otherwise the groups' sums add up in 32 bits.
struct TapPlan {
    BlurWeights weights;
    std::vector<std::int32_t> groupEnds;

    std::int32_t radius() const { return static_cast<std::int32_t>(weights.size()) - 1; }
};

// Every single weight must fit a group: taps weights[i] at both sides.
constexpr std::int32_t kLargestTapWeight = kNarrowTotal / 2;

TapPlan tapPlanOf(BlurWeights weights)
{
    TapPlan plan{weights, {}};
    std::int64_t groupTotal = weights[0];
    for (std::int32_t i = 1; i <= plan.radius(); ++i) {
        if (groupTotal + 2 * weights[i] > kNarrowTotal) {
            plan.groupEnds.push_back(i - 1);
            groupTotal = 0;
        }
        groupTotal += 2 * weights[i];
    }
    plan.groupEnds.push_back(plan.radius());
    return plan;
}

// The tap form of the pixel rule over bytes first to first + count - 1 of
// a line: out[j] is the window sum of byte j divided by its total, where
// taps[radius + i] points at the line of the tap at offset i. The sums run
// over whole runs of kRunBytes (a fixed trip count, which the compiler
// vectorises whole), so every tap line must be readable up to kRunBytes - 1
// bytes past the last byte; those lanes are not stored. multipliers
// holds one multiplier for every byte or one per byte (indexed by j), shift
// the common shift. Sum is std::uint16_t for a window of one group, else
// std::uint32_t; its products with the multipliers fit Product.
template <typename Sum, typename Product>
[[gnu::always_inline]] inline void blurLineLoop(const std::uint8_t* const* taps, const TapPlan& plan, std::int32_t first,
                                       std::int32_t count, std::uint8_t* out,
                                       std::span<const std::uint64_t> multipliers, int shift)
{
    constexpr bool oneGroup = std::is_same_v<Sum, std::uint16_t>;
    const std::int32_t radius = plan.radius();
    alignas(64) std::uint16_t part[kRunBytes];
    alignas(64) Sum wide[oneGroup ? 1 : kRunBytes];
    Sum* sums = nullptr;
    if constexpr (oneGroup) {
        sums = part;
    } else {
        sums = wide;
    }
    for (std::int32_t start = first; start < first + count; start += kRunBytes) {
        const std::int32_t n = std::min(kRunBytes, first + count - start);
        const std::uint8_t* centre = taps[radius] + start;
        const std::int32_t centreWeight = plan.weights[0];
        for (std::int32_t k = 0; k < kRunBytes; ++k) {
            part[k] = static_cast<std::uint16_t>(centreWeight * centre[k]);
        }
        std::int32_t i = 1;
        for (std::size_t group = 0; group < plan.groupEnds.size(); ++group) {
            // Two tap offsets per sweep over the run halve the trips
            // through `part`.
            const std::int32_t groupEnd = plan.groupEnds[group];
            for (; i < groupEnd; i += 2) {
                // A compiler-only fence: it keeps GCC from fusing the
                // sweeps of two iterations into one (unroll-and-jam), which
                // it then leaves unvectorised.
                std::atomic_signal_fence(std::memory_order_seq_cst);
                const std::uint8_t* below = taps[radius - i] + start;
                const std::uint8_t* above = taps[radius + i] + start;
                const std::uint8_t* farBelow = taps[radius - i - 1] + start;
                const std::uint8_t* farAbove = taps[radius + i + 1] + start;
                const std::int32_t weight = plan.weights[i];
                const std::int32_t farWeight = plan.weights[i + 1];
                for (std::int32_t k = 0; k < kRunBytes; ++k) {
                    part[k] = static_cast<std::uint16_t>(part[k] + weight * (below[k] + above[k]) +
                                                         farWeight * (farBelow[k] + farAbove[k]));
                }
            }
            if (i == groupEnd) {
                const std::uint8_t* below = taps[radius - i] + start;
                const std::uint8_t* above = taps[radius + i] + start;
                const std::int32_t weight = plan.weights[i];
                for (std::int32_t k = 0; k < kRunBytes; ++k) {
                    part[k] = static_cast<std::uint16_t>(part[k] + weight * (below[k] + above[k]));
                }
                ++i;
            }
            if constexpr (!oneGroup) {
                for (std::int32_t k = 0; k < kRunBytes; ++k) {
                    wide[k] = (group == 0 ? 0 : wide[k]) + part[k];
                    part[k] = 0;
                }
            }
        }
        std::uint8_t* target = out + start;
        if (multipliers.size() == 1) {
            const Product multiplier = static_cast<Product>(multipliers[0]);
            for (std::int32_t k = 0; k < n; ++k) {
                target[k] = static_cast<std::uint8_t>((static_cast<Product>(sums[k]) * multiplier) >> shift);
            }
        } else {
            const std::uint64_t* byteMultipliers = multipliers.data() + start;
            for (std::int32_t k = 0; k < n; ++k) {
                target[k] = static_cast<std::uint8_t>((sums[k] * byteMultipliers[k]) >> shift);
            }
        }
    }
}

FOTRA_KERNEL(blurLineOfWords, (blurLineLoop<std::uint16_t, std::uint32_t>))
FOTRA_KERNEL(blurLineOfDwords, (blurLineLoop<std::uint32_t, std::uint64_t>))

// The two ways of holding a window's sums: in 16-bit lanes (divided in 32
// bits, see ExactDivision.h) or in 32-bit lanes (divided in 64 bits).
struct NarrowSums {
    static void blur(const std::uint8_t* const* taps, const TapPlan& plan, std::int32_t first, std::int32_t count,
                     std::uint8_t* out, std::span<const std::uint64_t> multipliers, int shift)
    {
        blurLineOfWords(taps, plan, first, count, out, multipliers, shift);
    }
};
struct WideSums {
    static void blur(const std::uint8_t* const* taps, const TapPlan& plan, std::int32_t first, std::int32_t count,
                     std::uint8_t* out, std::span<const std::uint64_t> multipliers, int shift)
    {
        blurLineOfDwords(taps, plan, first, count, out, multipliers, shift);
    }
};

// Tap-form row pass. Each row's piece from radius columns left of the area
// to radius columns right of it is copied into a line whose columns outside
// the image stay zero; the columns whose window lies inside the row share
// one divisor, the others have their own.
template <typename Kind>
void blurRowsTaps(ImagePlanes& image, const TapPlan& plan, PreviewRect area)
{
    const std::int32_t radius = plan.radius();
    const std::int32_t width = image.width;
    const std::size_t stride = image.stride();
    const std::int32_t firstColumn = area.x0;
    const std::int32_t lastColumn = area.x0 + area.w - 1;
    const std::vector<std::int32_t> totals = sideTotals(plan.weights);
    const ExactDivisions divisions(clippedTotal(totals, radius, radius));

    // Columns whose window lies wholly inside the row; may be empty.
    const std::int32_t interiorFirst = std::max(firstColumn, radius);
    const std::int32_t interiorLast = std::min(lastColumn, width - 1 - radius);
    const std::uint64_t interiorMultiplier = divisions.multiplier(clippedTotal(totals, radius, radius));
    std::vector<std::uint64_t> multipliers(3 * static_cast<std::size_t>(area.w));
    for (std::int32_t x = firstColumn; x <= lastColumn; ++x) {
        const bool interior = x >= interiorFirst && x <= interiorLast;
        const std::uint64_t multiplier =
            interior ? interiorMultiplier
                     : divisions.multiplier(clippedTotal(totals, std::min(radius, x), std::min(radius, width - 1 - x)));
        std::fill_n(multipliers.begin() + 3 * (x - firstColumn), 3, multiplier);
    }
    const std::int32_t bytes = 3 * area.w;
    const std::int32_t interiorStart = 3 * (interiorFirst - firstColumn);
    const std::int32_t interiorEnd = 3 * (interiorLast + 1 - firstColumn);

    // Line byte 3 (x - firstColumn + radius) + c holds channel c of column x.
    const std::int32_t copiedFirst = std::max(0, firstColumn - radius);
    const std::int32_t copiedLast = std::min(width - 1, lastColumn + radius);
    const std::size_t lineBytes = 3 * (static_cast<std::size_t>(area.w) + 2 * radius) + kRunBytes;
    WorkerBuffers<std::uint8_t> lines(lineBytes);
    WorkerBuffers<const std::uint8_t*> tapBuffers(2 * radius + 1);
    const std::uint8_t* source = image.current.data();
    std::uint8_t* target = image.scratch.data();
    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        std::uint8_t* line = lines.mine();
        std::memcpy(line + 3 * (copiedFirst - firstColumn + radius), source + row * stride + 3 * copiedFirst,
                    3 * static_cast<std::size_t>(copiedLast - copiedFirst + 1));
        const std::uint8_t** taps = tapBuffers.mine();
        for (std::int32_t t = 0; t <= 2 * radius; ++t) {
            taps[t] = line + 3 * t;
        }
        std::uint8_t* out = target + row * stride + 3 * firstColumn;
        if (interiorStart >= interiorEnd) {
            Kind::blur(taps, plan, 0, bytes, out, multipliers, divisions.shift());
            return;
        }
        Kind::blur(taps, plan, 0, interiorStart, out, multipliers, divisions.shift());
        Kind::blur(taps, plan, interiorStart, interiorEnd - interiorStart, out,
                       std::span<const std::uint64_t>(&interiorMultiplier, 1), divisions.shift());
        Kind::blur(taps, plan, interiorEnd, bytes - interiorEnd, out, multipliers, divisions.shift());
    });
}

// Width in bytes of the column strips of the tap form: each strip keeps the
// 2 radius + 1 rows of its window in a ring, so the pass can write the rows
// it reads.
// A strip is one run of the tap form, so every slot of the ring is one
// readable run.
constexpr std::int32_t kTapStripBytes = kRunBytes;

// Tap-form column pass over one strip of `count` bytes from byte `start` of
// each row, rows firstRow to lastRow: the ring holds copies of the source
// rows of the current window (zero rows outside the image), so `target` may
// be `source`. slots holds 2 (2 radius + 1) pointers, ring the rows.
template <typename Kind>
void blurColumnStrip(const std::uint8_t* source, std::uint8_t* target, std::size_t stride, std::int32_t height,
                     std::int32_t firstRow, std::int32_t lastRow, std::int32_t start, std::int32_t count,
                     const TapPlan& plan, const std::vector<std::uint64_t>& rowMultipliers, int shift,
                     const std::uint8_t** slots, std::uint8_t* ring)
{
    const std::int32_t radius = plan.radius();
    const std::int32_t window = 2 * radius + 1;
    // Row m lives in slot (m - firstRow + radius) mod window; the doubled
    // pointer table lets every window read its taps as one run of slots.
    for (std::int32_t slot = 0; slot < 2 * window; ++slot) {
        slots[slot] = ring + (slot % window) * kTapStripBytes;
    }
    const auto load = [&](std::int32_t m) {
        std::uint8_t* slot = ring + (m - firstRow + radius) % window * kTapStripBytes;
        if (m < 0 || m >= height) {
            std::memset(slot, 0, static_cast<std::size_t>(count));
        } else {
            std::memcpy(slot, source + m * stride + start, static_cast<std::size_t>(count));
        }
    };
    for (std::int32_t m = firstRow - radius; m < firstRow + radius; ++m) {
        load(m);
    }
    for (std::int32_t row = firstRow; row <= lastRow; ++row) {
        load(row + radius);
        Kind::blur(slots + (row - firstRow) % window, plan, 0, count, target + row * stride + start,
                       std::span<const std::uint64_t>(&rowMultipliers[row - firstRow], 1), shift);
    }
}

// Tap-form column pass over the area, strip by strip, from `source` into
// `target` (which may be the same plane).
template <typename Kind>
void blurColumnsTaps(const std::uint8_t* source, std::uint8_t* target, const ImagePlanes& image, const TapPlan& plan,
                     PreviewRect area)
{
    const std::int32_t radius = plan.radius();
    const std::int32_t height = image.height;
    const std::vector<std::int32_t> totals = sideTotals(plan.weights);
    const ExactDivisions divisions(clippedTotal(totals, radius, radius));
    std::vector<std::uint64_t> rowMultipliers;
    for (std::int32_t row = area.y0; row < area.y0 + area.h; ++row) {
        rowMultipliers.push_back(
            divisions.multiplier(clippedTotal(totals, std::min(radius, row), std::min(radius, height - 1 - row))));
    }
    const std::int32_t firstByte = 3 * area.x0;
    const std::int32_t bytes = 3 * area.w;
    const std::int32_t strips = (bytes + kTapStripBytes - 1) / kTapStripBytes;
    const std::size_t window = 2 * static_cast<std::size_t>(radius) + 1;
    WorkerBuffers<const std::uint8_t*> slots(2 * window);
    WorkerBuffers<std::uint8_t> rings(window * kTapStripBytes);
    // The loop runs over strip indices: each strip's bytes belong to one worker.
    parallelRows(0, strips - 1, [&](std::int32_t strip) {
        const std::int32_t start = firstByte + strip * kTapStripBytes;
        blurColumnStrip<Kind>(source, target, image.stride(), height, area.y0, area.y0 + area.h - 1, start,
                              std::min(kTapStripBytes, firstByte + bytes - start), plan, rowMultipliers,
                              divisions.shift(), slots.mine(), rings.mine());
    });
}

// ---------------------------------------------------------------------------
// Box form: a non-increasing weight table is a sum of nested boxes (the box
// of half-width k carries weights[k] - weights[k + 1]; a tap at offset i
// receives the weight of every box with k >= |i|, that is weights[|i|]),
// and every box sum is a difference of two prefix sums.

// Bytes of a row the box row pass sums together, in registers: a few
// vectors of 8 unsigned 32-bit lanes.
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

// Width in bytes of the column strips of the box form: a strip walks down
// every row, so each row's piece must be long enough to repay reaching a new
// memory page.
constexpr std::int32_t kStripBytes = 64;

struct Box {
    std::int32_t half;
    std::int32_t weight;
};

// The boxes of the table, or nothing when the tap form is cheaper. A box
// costs about as much as two tap offsets (32-bit lanes, two reads) and the
// prefix sums about as much as thirty, so the box form pays only for wide
// windows of few distinct weights; a weight too large for the tap form's
// 16-bit lanes (a triangle of radius 128 or more) always takes it.
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
    const bool tapsFit = *std::max_element(weights.begin(), weights.end()) <= kLargestTapWeight;
    if (tapsFit && 2 * boxes.size() + 32 >= last) {
        return {};
    }
    return boxes;
}

// Box row pass over the columns firstColumn to lastColumn of one row.
// prefix[3 (m - firstColumn + radius) + c] holds the sum of channel c over
// the row's columns below m, less a constant, for m from firstColumn -
// radius to lastColumn + radius + 1; columns outside the row add nothing, so
// every box sum is already clipped to the row and no tap needs a test.
// multipliers holds the divisor of each output byte.
[[gnu::always_inline]] inline void blurRowBoxesLoop(const std::uint8_t* in, std::uint8_t* out, std::int32_t width,
                                           std::int32_t firstColumn, std::int32_t lastColumn, std::int32_t radius,
                                           const std::vector<Box>& boxes, const std::uint64_t* multipliers,
                                           const ExactDivisions& divisions, std::int32_t* prefix)
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
        const std::uint64_t* byteMultipliers = multipliers + (start - firstByte);
        for (std::int32_t j = 0; j < count; ++j) {
            out[start + j] = divisions.divide(acc[j], byteMultipliers[j]);
        }
    }
}

FOTRA_KERNEL(blurRowBoxes, blurRowBoxesLoop)

// The box weights' total over the taps at offsets -low to +high.
std::int32_t boxTotal(const std::vector<Box>& boxes, std::int32_t low, std::int32_t high)
{
    std::int32_t total = 0;
    for (const Box& box : boxes) {
        total += box.weight * (std::min(box.half, low) + std::min(box.half, high) + 1);
    }
    return total;
}

// Box row pass over the area.
void blurRowsBoxes(ImagePlanes& image, std::int32_t radius, const std::vector<Box>& boxes, PreviewRect area)
{
    const std::int32_t width = image.width;
    const std::size_t stride = image.stride();
    const std::int32_t firstColumn = area.x0;
    const std::int32_t lastColumn = area.x0 + area.w - 1;
    const ExactDivisions divisions(boxTotal(boxes, radius, radius));
    std::vector<std::uint64_t> multipliers;
    multipliers.reserve(3 * static_cast<std::size_t>(area.w));
    for (std::int32_t x = firstColumn; x <= lastColumn; ++x) {
        multipliers.insert(multipliers.end(), 3, divisions.multiplier(boxTotal(boxes, x, width - 1 - x)));
    }
    WorkerBuffers<std::int32_t> buffers(3 * (static_cast<std::size_t>(area.w) + 2 * radius + 2) + kLanes);
    const std::uint8_t* source = image.current.data();
    std::uint8_t* target = image.scratch.data();
    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        blurRowBoxes(source + row * stride, target + row * stride, width, firstColumn, lastColumn, radius, boxes,
                     multipliers.data(), divisions, buffers.mine());
    });
}

// Box column pass over one strip of `count` bytes from byte `start` of each
// row: the strip's column prefix sums cover the rows fromRow to toRow that
// its windows reach, and every row of the area then reads its boxes from
// them. prefix holds (toRow - fromRow + 2) x kStripBytes sums;
// rowMultipliers the divisor of each row from firstRow.
[[gnu::always_inline]] inline void blurStripLoop(const std::uint8_t* source, std::uint8_t* target, std::size_t stride,
                                        std::int32_t height, std::int32_t fromRow, std::int32_t toRow,
                                        std::int32_t firstRow, std::int32_t lastRow, std::int32_t start,
                                        std::int32_t count, const std::vector<Box>& boxes,
                                        const std::uint64_t* rowMultipliers, const ExactDivisions& divisions,
                                        std::int32_t* prefix)
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
        for (const Box& box : boxes) {
            const std::int32_t low = std::max(0, row - box.half);
            const std::int32_t high = std::min(height, row + box.half + 1);
            const std::int32_t* lowSums = prefix + (low - fromRow) * kStripBytes;
            const std::int32_t* highSums = prefix + (high - fromRow) * kStripBytes;
            const Lanes weight = Lanes{} + static_cast<std::uint32_t>(box.weight);
            for (std::int32_t k = 0; k < kStripBytes / kLaneWidth; ++k) {
                addBox(sums[k], weight, highSums + k * kLaneWidth, lowSums + k * kLaneWidth);
            }
        }
        std::uint32_t acc[kStripBytes];
        std::memcpy(acc, sums, sizeof acc);
        const std::uint64_t multiplier = rowMultipliers[row - firstRow];
        std::uint8_t* out = target + row * stride + start;
        for (std::int32_t j = 0; j < count; ++j) {
            out[j] = divisions.divide(acc[j], multiplier);
        }
    }
}

FOTRA_KERNEL(blurStrip, blurStripLoop)

// Box column pass over the area, strip by strip, from `source` into
// `target`, which may be the same plane: each strip's prefix sums hold all
// the rows its windows reach before any of its bytes is written.
void blurColumnsBoxes(const std::uint8_t* source, std::uint8_t* target, const ImagePlanes& image,
                      std::int32_t radius, const std::vector<Box>& boxes, PreviewRect area)
{
    const std::int32_t height = image.height;
    const ExactDivisions divisions(boxTotal(boxes, radius, radius));
    std::vector<std::uint64_t> rowMultipliers;
    for (std::int32_t row = area.y0; row < area.y0 + area.h; ++row) {
        rowMultipliers.push_back(divisions.multiplier(boxTotal(boxes, row, height - 1 - row)));
    }
    const std::int32_t firstByte = 3 * area.x0;
    const std::int32_t bytes = 3 * area.w;
    const std::int32_t strips = (bytes + kStripBytes - 1) / kStripBytes;
    const std::int32_t fromRow = std::max(0, area.y0 - radius);
    const std::int32_t toRow = std::min(height - 1, area.y0 + area.h - 1 + radius);
    WorkerBuffers<std::int32_t> buffers(static_cast<std::size_t>(toRow - fromRow + 2) * kStripBytes);
    // The loop runs over strip indices: each strip's bytes belong to one worker.
    parallelRows(0, strips - 1, [&](std::int32_t strip) {
        const std::int32_t start = firstByte + strip * kStripBytes;
        blurStrip(source, target, image.stride(), height, fromRow, toRow, area.y0, area.y0 + area.h - 1, start,
                  std::min(kStripBytes, firstByte + bytes - start), boxes, rowMultipliers.data(), divisions,
                  buffers.mine());
    });
}

// The column pass over the area from `source` into `target`, in whichever
// form suits the weights.
void blurColumns(const std::uint8_t* source, std::uint8_t* target, const ImagePlanes& image,
                 BlurWeights fullWeights, PreviewRect area)
{
    const BlurWeights weights = withoutZeroTail(fullWeights);
    const std::int32_t radius = static_cast<std::int32_t>(weights.size()) - 1;
    const std::vector<Box> boxes = boxesOf(weights);
    if (!boxes.empty()) {
        blurColumnsBoxes(source, target, image, radius, boxes, area);
        return;
    }
    const TapPlan plan = tapPlanOf(weights);
    if (plan.groupEnds.size() == 1) {
        blurColumnsTaps<NarrowSums>(source, target, image, plan, area);
    } else {
        blurColumnsTaps<WideSums>(source, target, image, plan, area);
    }
}

} // namespace

void blurRowsIntoScratch(ImagePlanes& image, BlurWeights fullWeights, PreviewRect area)
{
    const BlurWeights weights = withoutZeroTail(fullWeights);
    const std::int32_t radius = static_cast<std::int32_t>(weights.size()) - 1;
    const std::vector<Box> boxes = boxesOf(weights);
    if (!boxes.empty()) {
        blurRowsBoxes(image, radius, boxes, area);
        return;
    }
    const TapPlan plan = tapPlanOf(weights);
    if (plan.groupEnds.size() == 1) {
        blurRowsTaps<NarrowSums>(image, plan, area);
    } else {
        blurRowsTaps<WideSums>(image, plan, area);
    }
}

void blurAreaIntoScratch(ImagePlanes& image, BlurWeights fullWeights, PreviewRect area)
{
    const BlurWeights weights = withoutZeroTail(fullWeights);
    const std::int32_t radius = static_cast<std::int32_t>(weights.size()) - 1;
    // The rows the column windows of the area reach, clipped to the image.
    const std::int32_t firstRow = std::max(0, area.y0 - radius);
    const std::int32_t lastRow = std::min(image.height - 1, area.y0 + area.h - 1 + radius);
    const PreviewRect reached{area.x0, firstRow, area.w, lastRow - firstRow + 1};

    // The borrowed rows' bytes in the area's columns, kept to be put back.
    const std::size_t stride = image.stride();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(area.w);
    const std::size_t firstByte = 3 * static_cast<std::size_t>(area.x0);
    std::vector<std::int32_t> borrowed;
    for (std::int32_t row = firstRow; row <= lastRow; ++row) {
        if (row < area.y0 || row >= area.y0 + area.h) {
            borrowed.push_back(row);
        }
    }
    std::vector<std::uint8_t> kept(borrowed.size() * rowBytes);
    for (std::size_t i = 0; i < borrowed.size(); ++i) {
        const std::uint8_t* bytes = image.scratch.data() + borrowed[i] * stride + firstByte;
        std::copy(bytes, bytes + rowBytes, kept.begin() + i * rowBytes);
    }

    blurRowsIntoScratch(image, weights, reached);
    // Both forms of the column pass read every source row of a strip before
    // they write it, so the pass may write the rows it reads.
    blurColumns(image.scratch.data(), image.scratch.data(), image, weights, area);

    for (std::size_t i = 0; i < borrowed.size(); ++i) {
        std::copy(kept.begin() + i * rowBytes, kept.begin() + (i + 1) * rowBytes,
                  image.scratch.data() + borrowed[i] * stride + firstByte);
    }
}

void blurColumnsInPlace(ImagePlanes& image, BlurWeights weights)
{
    blurColumns(image.scratch.data(), image.scratch.data(), image, weights, wholeImage(image));
    // What the copy of `result` into `scratch` leaves in the row padding,
    // then `result` cleared.
    const std::size_t stride = image.stride();
    const std::size_t pixelBytes = 3 * static_cast<std::size_t>(image.width);
    if (pixelBytes < stride) {
        for (std::int32_t row = 0; row < image.height; ++row) {
            const std::uint8_t* padding = image.result.data() + row * stride + pixelBytes;
            std::copy(padding, padding + (stride - pixelBytes), image.scratch.data() + row * stride + pixelBytes);
        }
    }
    fillPlaneShared(image.result, 0);
}

} // namespace engine
