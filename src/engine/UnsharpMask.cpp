// Adaptive unsharp mask: per pixel and channel, the population deviation of
// `current` over the clipped (2r + 1) x (2r + 1) window scales the strength.
//
// The bytes are fixed by the squared deviations summed in doubles in the
// window's scan order, but that sum almost never decides them. Each row
// therefore takes the window's count N, sum S and sum of squares T of the
// bytes from exact integer running sums (column sums slid down the rows,
// window sums slid along them), which cost the same for every radius, and
// from them the exact sum of squared deviations Q* = (N T - S^2) / N. A
// proven bound on how far the written sum Q can lie from Q* gives an
// interval for Q; the rest of the rule evaluated at both ends gives bytes
// that enclose the written one. Where they agree that is the byte; only
// where they differ (the value lies within the bound of an integer or a
// clamp) is the written scan-order sum formed, as the rule says.
//
// The bound. With u = 2^-53 and round-to-nearest, every operation returns
// its exact result times (1 + d), |d| <= u. Let m* = S / N and m = fl(S / N),
// so m = m* + e with |e| <= u m*. Each term of the written sum is
// fl(fl(m - b)^2) = (m - b)^2 (1 + a)^2 (1 + b'), and the recursive sum of n
// non-negative terms is their sum with each term times (1 + h), |h| <=
// gamma(n - 1), gamma(k) = k u / (1 - k u). So Q = sum (m - b_i)^2 (1 + z_i)
// with |z_i| <= gamma(n + 2) <= (n + 3) u. Since the deviations from m*
// sum to exactly 0, sum (m - b_i)^2 = Q* + n e^2. Hence
//     Q* (1 - (n + 3) u)  <=  Q  <=  (Q* + n u^2 m*^2) (1 + (n + 3) u).
// The mean's term is negligible: a flat window (N T = S^2) has m = m*
// exactly, e = 0 and Q = Q* = 0; any other has N T - S^2 >= 1, so Q* >= 1 / n
// and n u^2 m*^2 <= n u^2 255^2 <= u Q* for n <= 3.7 x 10^5. So
// Q <= Q* (1 + u) (1 + (n + 3) u) as well. The code widens both sides to
// slack = 2 (n + 8) u, which also covers the roundings of computing the ends
// (N T - S^2 is an integer below 2^53, exact in doubles; Q* = fl(D / N) adds
// one rounding, each end two more).
// Every later step is monotone in Q (division by N, the square root, 255 -
// deviation, division by 255) and then in the factor k (k s + 1 times the
// byte, k times (scratch x s), their difference), because rounding is
// monotone; so each product lies between its values at the two ends of k,
// the difference between (lowest first - highest second) and (highest first
// - lowest second), and the byte rule is monotone too.
#include "engine/UnsharpMask.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <omp.h>

#include "engine/KernelTargets.h"
#include "engine/WholeImage.h"

using engine::wholeImage;

namespace {

std::atomic<std::uint64_t> writtenSums{0};

// k of the rule from the window's count and sum of squared deviations.
inline double contrastFactor(double count, double squares)
{
    const double deviation = std::sqrt(squares / count);
    return (255.0 - deviation) / 255.0;
}

// v of the rule; grouping fixed: (k s + 1) x current, then k x (scratch x s).
inline double sharpenedValue(double factor, double current, double scratch, double amount)
{
    return (factor * amount + 1.0) * current - factor * (scratch * amount);
}

// The byte rule as selects without branches, so that the loop vectorises:
// NaN fails both comparisons and stores 0, like storeByte.
inline std::uint8_t laneByte(double value)
{
    const double capped = value > 255.0 ? 255.0 : value;
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(capped >= 0.0 ? capped : 0.0));
}

// The bytes a row's interval evaluation settles: for each channel byte j,
// from the window's count N and N T - S^2, the byte where both ends
// agree and a mark where they do not.
[[gnu::always_inline]] inline void boundedBytesLoop(const double* __restrict counts,
                                                    const double* __restrict spreads,
                                                    const std::uint8_t* __restrict current,
                                                    const std::uint8_t* __restrict scratch,
                                                    std::uint8_t* __restrict result, std::uint8_t* __restrict open,
                                                    std::size_t bytes, double amount)
{
    for (std::size_t j = 0; j < bytes; ++j) {
        const double n = counts[j];
        const double spread = spreads[j];
        const double exact = spread / n;
        const double slack = (n + 8.0) * 0x1p-52;
        const double kHigh = contrastFactor(n, exact * (1.0 - slack));
        const double kLow = contrastFactor(n, exact * (1.0 + slack));
        const double c = current[j];
        const double cross = scratch[j] * amount;
        const double firstLow = (kLow * amount + 1.0) * c;
        const double firstHigh = (kHigh * amount + 1.0) * c;
        const double secondLow = kLow * cross;
        const double secondHigh = kHigh * cross;
        const std::uint8_t low = laneByte(std::min(firstLow, firstHigh) - std::max(secondLow, secondHigh));
        const std::uint8_t high = laneByte(std::max(firstLow, firstHigh) - std::min(secondLow, secondHigh));
        result[j] = low;
        open[j] = low != high ? 1 : 0;
    }
}

FOTRA_KERNEL(boundedBytes, boundedBytesLoop)

// Written sums formed together: independent sums keep the adders busy,
// where a single sum waits on each of its additions.
constexpr std::size_t kSumLanes = 8;

// The written sums of squared deviations of kSumLanes channel bytes whose
// windows have the same shape: lane l adds, in scan order, the squared
// deviations from means[l] of the bytes at corners[l] + y x stride + 3 dx.
[[gnu::always_inline]] inline void writtenSumsLoop(const std::uint8_t* const* corners, const double* means,
                                                   double* squares, std::ptrdiff_t stride, std::int32_t rows,
                                                   std::int32_t columns)
{
    double sums[kSumLanes] = {};
    for (std::int32_t y = 0; y < rows; ++y) {
        for (std::int32_t dx = 0; dx < columns; ++dx) {
            const std::ptrdiff_t at = y * stride + 3 * dx;
            for (std::size_t l = 0; l < kSumLanes; ++l) {
                const double difference = means[l] - corners[l][at];
                sums[l] += difference * difference;
            }
        }
    }
    std::copy(sums, sums + kSumLanes, squares);
}

FOTRA_KERNEL(scanOrderSums, writtenSumsLoop)

// The per-worker running sums: column sums of bytes and of their squares
// over the window rows of the worker's last row, for the area's span of
// channel bytes, and the window counts, sums and N T - S^2 of one output
// row (integers, held exactly in doubles).
struct RowSums {
    std::vector<std::int32_t> columnSums;
    std::vector<std::int32_t> columnSquares;
    std::vector<double> counts;
    std::vector<double> sums;
    std::vector<double> spreads;
    std::vector<std::uint8_t> open;
    std::int32_t lastRow = -2;
    std::uint64_t writtenSums = 0;
};

// The geometry shared by every row of one call.
struct Geometry {
    const std::uint8_t* current;
    const std::uint8_t* scratch;
    std::uint8_t* result;
    std::size_t stride;
    std::int32_t width;
    std::int32_t height;
    std::int32_t radius;
    std::int32_t firstColumn; // output columns
    std::int32_t lastColumn;
    std::int32_t spanFirst; // columns whose bytes enter some window
    std::int32_t spanLast;
    double amount;
    // Whether the bound decides bytes: the amount is moderate (every step
    // then stays finite, where rounding is monotone) and N T stays within
    // 64-bit integers and the mean's term negligible (windows of at most 10^5
    // pixels). Otherwise every byte takes the written sum.
    bool bounded;
};

// Adds (sign 1) or takes away (sign -1) one plane row from the column sums.
void slideColumns(RowSums& sums, const Geometry& g, std::int32_t row, std::int32_t sign)
{
    const std::uint8_t* in = g.current + static_cast<std::size_t>(row) * g.stride + 3 * g.spanFirst;
    const std::size_t bytes = sums.columnSums.size();
    for (std::size_t j = 0; j < bytes; ++j) {
        const std::int32_t b = in[j];
        sums.columnSums[j] += sign * b;
        sums.columnSquares[j] += sign * b * b;
    }
}

// The rule as written for channel byte j of the row, from the clipped window.
std::uint8_t writtenByte(const Geometry& g, std::int32_t row, std::int32_t x, std::int32_t channel, double count,
                         double sum)
{
    const std::int32_t firstRow = std::max(0, row - g.radius);
    const std::int32_t lastRow = std::min(g.height - 1, row + g.radius);
    const std::int32_t first = std::max(0, x - g.radius);
    const std::int32_t last = std::min(g.width - 1, x + g.radius);
    const double mean = sum / count;
    double squares = 0.0;
    for (std::int32_t y = firstRow; y <= lastRow; ++y) {
        const std::uint8_t* pixel = g.current + static_cast<std::size_t>(y) * g.stride + 3 * first + channel;
        for (std::int32_t column = first; column <= last; ++column, pixel += 3) {
            const double difference = mean - *pixel;
            squares += difference * difference;
        }
    }
    const std::size_t at = static_cast<std::size_t>(row) * g.stride + 3 * x + channel;
    return storeByte(sharpenedValue(contrastFactor(count, squares), g.current[at], g.scratch[at], g.amount));
}

void unsharpRow(RowSums& sums, const Geometry& g, std::int32_t row)
{
    const std::int32_t r = g.radius;
    if (sums.lastRow == row - 1) {
        if (row - r - 1 >= 0) {
            slideColumns(sums, g, row - r - 1, -1);
        }
        if (row + r <= g.height - 1) {
            slideColumns(sums, g, row + r, 1);
        }
    } else {
        std::fill(sums.columnSums.begin(), sums.columnSums.end(), 0);
        std::fill(sums.columnSquares.begin(), sums.columnSquares.end(), 0);
        for (std::int32_t y = std::max(0, row - r); y <= std::min(g.height - 1, row + r); ++y) {
            slideColumns(sums, g, y, 1);
        }
    }
    sums.lastRow = row;

    // Window sums slid along the row, one channel per lane of three.
    const std::int32_t rows = std::min(g.height - 1, row + r) - std::max(0, row - r) + 1;
    const auto column = [&](const std::vector<std::int32_t>& values, std::int32_t x, std::int32_t c) {
        return values[static_cast<std::size_t>(3 * (x - g.spanFirst) + c)];
    };
    std::int64_t windowSum[3] = {0, 0, 0};
    std::int64_t windowSquares[3] = {0, 0, 0};
    for (std::int32_t x = g.spanFirst; x <= std::min(g.width - 1, g.firstColumn + r - 1); ++x) {
        for (std::int32_t c = 0; c < 3; ++c) {
            windowSum[c] += column(sums.columnSums, x, c);
            windowSquares[c] += column(sums.columnSquares, x, c);
        }
    }
    for (std::int32_t x = g.firstColumn; x <= g.lastColumn; ++x) {
        const std::int32_t entering = x + r;
        const std::int32_t leaving = x - r - 1;
        for (std::int32_t c = 0; c < 3; ++c) {
            if (entering <= g.spanLast) {
                windowSum[c] += column(sums.columnSums, entering, c);
                windowSquares[c] += column(sums.columnSquares, entering, c);
            }
            if (leaving >= g.spanFirst) {
                windowSum[c] -= column(sums.columnSums, leaving, c);
                windowSquares[c] -= column(sums.columnSquares, leaving, c);
            }
        }
        const std::int64_t count = std::int64_t{rows} * (std::min(g.width - 1, x + r) - std::max(0, x - r) + 1);
        const std::size_t at = static_cast<std::size_t>(3 * (x - g.firstColumn));
        for (std::int32_t c = 0; c < 3; ++c) {
            sums.counts[at + c] = static_cast<double>(count);
            sums.sums[at + c] = static_cast<double>(windowSum[c]);
            sums.spreads[at + c] = static_cast<double>(count * windowSquares[c] - windowSum[c] * windowSum[c]);
        }
    }

    const std::size_t offset = static_cast<std::size_t>(row) * g.stride + 3 * g.firstColumn;
    const std::size_t bytes = 3 * static_cast<std::size_t>(g.lastColumn - g.firstColumn + 1);
    boundedBytes(sums.counts.data(), sums.spreads.data(), g.current + offset, g.scratch + offset,
                 g.result + offset, sums.open.data(), bytes, g.amount);
    if (!g.bounded) {
        std::fill(sums.open.begin(), sums.open.end(), 1);
    }
    // The open bytes whose windows reach across the full width go in
    // batches of lanes; those clipped at the sides one by one.
    const std::int32_t firstRow = std::max(0, row - r);
    std::array<std::size_t, kSumLanes> batch{};
    std::size_t batched = 0;
    const auto flush = [&] {
        std::array<const std::uint8_t*, kSumLanes> corners{};
        std::array<double, kSumLanes> means{};
        std::array<double, kSumLanes> squares{};
        for (std::size_t l = 0; l < kSumLanes; ++l) {
            const std::size_t j = batch[std::min(l, batched - 1)];
            corners[l] = g.current + static_cast<std::size_t>(firstRow) * g.stride + 3 * g.firstColumn + j - 3 * r;
            means[l] = sums.sums[j] / sums.counts[j];
        }
        scanOrderSums(corners.data(), means.data(), squares.data(), static_cast<std::ptrdiff_t>(g.stride), rows,
                      2 * r + 1);
        for (std::size_t l = 0; l < batched; ++l) {
            const std::size_t j = batch[l];
            g.result[offset + j] = storeByte(sharpenedValue(contrastFactor(sums.counts[j], squares[l]),
                                                            g.current[offset + j], g.scratch[offset + j], g.amount));
        }
        batched = 0;
    };
    for (std::size_t j = 0; j < bytes; ++j) {
        if (sums.open[j] == 0) {
            continue;
        }
        ++sums.writtenSums;
        const std::int32_t x = g.firstColumn + static_cast<std::int32_t>(j / 3);
        if (x - r >= 0 && x + r <= g.width - 1) {
            batch[batched++] = j;
            if (batched == kSumLanes) {
                flush();
            }
        } else {
            g.result[offset + j] = writtenByte(g, row, x, static_cast<std::int32_t>(j % 3), sums.counts[j], sums.sums[j]);
        }
    }
    if (batched > 0) {
        flush();
    }
}

void unsharpArea(ImagePlanes& image, PreviewRect area, int radius, double amount)
{
    if (area.w > 0 && area.h > 0) {
        const std::int32_t r = std::max(radius, 0);
        Geometry g{image.current.data(),
                   image.scratch.data(),
                   image.result.data(),
                   image.stride(),
                   image.width,
                   image.height,
                   r,
                   area.x0,
                   area.x0 + area.w - 1,
                   std::max(0, area.x0 - r),
                   std::min(image.width - 1, area.x0 + area.w - 1 + r),
                   amount,
                   std::fabs(amount) <= 1e6 && std::int64_t{2 * r + 1} * (2 * r + 1) <= 100'000};
        const std::size_t spanBytes = 3 * static_cast<std::size_t>(g.spanLast - g.spanFirst + 1);
        const std::size_t rowBytes = 3 * static_cast<std::size_t>(area.w);
        std::vector<RowSums> workers(static_cast<std::size_t>(omp_get_max_threads()));
        for (RowSums& sums : workers) {
            sums.columnSums.resize(spanBytes);
            sums.columnSquares.resize(spanBytes);
            sums.counts.resize(rowBytes);
            sums.sums.resize(rowBytes);
            sums.spreads.resize(rowBytes);
            sums.open.resize(rowBytes);
        }
        parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
            unsharpRow(workers[static_cast<std::size_t>(omp_get_thread_num())], g, row);
        });
        std::uint64_t written = 0;
        for (const RowSums& sums : workers) {
            written += sums.writtenSums;
        }
        writtenSums.fetch_add(written, std::memory_order_relaxed);
    }
    // The bytes of scratch the area read are cleared (the rest of the plane
    // is zero already), so that a preview's cost follows its rectangle.
    const bool wholeImage = isWholeImage(area, image);
    const std::size_t stride = image.stride();
    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        const std::size_t rowStart = static_cast<std::size_t>(row) * stride;
        clearScratchRow(image.scratch.data(), rowStart, rowStart + 3 * static_cast<std::size_t>(area.x0),
                        3 * static_cast<std::size_t>(area.w), stride, wholeImage);
    });
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

std::uint64_t unsharpWrittenSums()
{
    return writtenSums.load(std::memory_order_relaxed);
}
