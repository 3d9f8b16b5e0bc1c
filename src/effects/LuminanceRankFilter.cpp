// The luminance rank filter. Each worker sweeps its block of rows strip by
// strip (so that the histograms stay in cache) with two levels of sliding
// histograms: per column, the histogram of the column's window rows slides
// down one row at a time; per output row, the window histogram slides along
// the columns by adding the entering column's histogram and taking away the
// leaving one's. The 16-bin coarse level is kept current at every step; a
// fine segment of 16 values is brought up to date only when the rank falls
// into it. Counts are exact, so the element found is the one a sort of the
// clipped window gives. Clipping is by the window's row and column ranges,
// so one kernel serves the interior, the borders, tiny images and the twin.
#include "effects/LuminanceRankFilter.h"

#include <omp.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/OperandPlanes.h"

namespace {

constexpr int kFineBins = 256;
constexpr int kCoarseBins = 16;
constexpr int kSegment = kFineBins / kCoarseBins;
constexpr std::int32_t kStripWidth = 256;
constexpr std::int32_t kStale = INT_MIN;

// The rank taken by a pixel of luminance y in a window of n samples:
// (y x (n - 1)) / 255 in doubles, truncated. 0 <= rank <= n - 1.
std::uint32_t rankIndex(double y, std::uint32_t n)
{
    return static_cast<std::uint32_t>((y * static_cast<double>(n - 1)) / 255.0);
}

// The first of 16 bins whose running total exceeds rank (it exists while
// rank is below the bins' sum); adds the count before it to below. The
// running totals only grow, so the bins before it are those whose running
// total, themselves included, is at most rank: counted without a branch.
template <typename Count>
inline int firstBinAbove(const Count* bins, std::uint32_t rank, std::uint32_t& below)
{
    std::uint32_t total = 0;
    std::uint32_t before = 0;
    int bin = 0;
    for (int i = 0; i < kSegment; ++i) {
        total += bins[i];
        const bool passed = total <= rank;
        bin += passed ? 1 : 0;
        before += passed ? bins[i] : 0;
    }
    below += before;
    return bin;
}


// Element-wise sum += add - subtract over Size counts (either may be null).
// Counts wrap modulo their range in between; every count read is exact.
template <typename Count, int Size>
inline void slideBins(Count* sum, const Count* add, const Count* subtract)
{
    if (add != nullptr) {
        for (int i = 0; i < Size; ++i) {
            sum[i] = static_cast<Count>(sum[i] + add[i]);
        }
    }
    if (subtract != nullptr) {
        for (int i = 0; i < Size; ++i) {
            sum[i] = static_cast<Count>(sum[i] - subtract[i]);
        }
    }
}

// Per column of a strip (with its halo), the histograms of the window rows:
// coarse counts of the three channels side by side, and fine counts.
template <typename Count>
class ColumnHistograms {
public:
    void reset(std::int32_t first, std::int32_t last)
    {
        first_ = first;
        const std::size_t columns = static_cast<std::size_t>(last - first + 1);
        coarse_.assign(columns * 3 * kCoarseBins, 0);
        fine_.assign(columns * 3 * kFineBins, 0);
    }
    // Adds the entering pixel and takes away the leaving one (either may be null).
    void slide(std::int32_t column, const std::uint8_t* entering, const std::uint8_t* leaving)
    {
        Count* coarse = coarse_.data() + index(column) * 3 * kCoarseBins;
        Count* fine = fine_.data() + index(column) * 3 * kFineBins;
        for (int channel = 0; channel < 3; ++channel) {
            if (entering != nullptr) {
                ++coarse[channel * kCoarseBins + (entering[channel] >> 4)];
                ++fine[channel * kFineBins + entering[channel]];
            }
            if (leaving != nullptr) {
                --coarse[channel * kCoarseBins + (leaving[channel] >> 4)];
                --fine[channel * kFineBins + leaving[channel]];
            }
        }
    }
    const Count* coarse(std::int32_t column) const { return coarse_.data() + index(column) * 3 * kCoarseBins; }
    const Count* fineSegment(std::int32_t column, int channel, int bin) const
    {
        return fine_.data() + index(column) * 3 * kFineBins + channel * kFineBins + bin * kSegment;
    }

private:
    std::size_t index(std::int32_t column) const { return static_cast<std::size_t>(column - first_); }

    std::int32_t first_ = 0;
    std::vector<Count> coarse_;
    std::vector<Count> fine_;
};

// The histogram of the window of one output pixel: the coarse level always
// current, each fine segment current as of the column it was last used at.
template <typename Count>
class WindowHistogram {
public:
    WindowHistogram(const ColumnHistograms<Count>& columns, int radius, std::int32_t width)
        : columns_(columns), radius_(radius), width_(width)
    {
    }

    // Starts a row at column x with the column histograms of that row.
    void start(std::int32_t x)
    {
        coarse_.fill(0);
        segmentColumn_.fill(kStale);
        for (std::int32_t c = lowColumn(x); c <= highColumn(x); ++c) {
            slideBins<Count, 3 * kCoarseBins>(coarse_.data(), columns_.coarse(c), nullptr);
        }
    }

    // Moves the window from column x - 1 to column x.
    void step(std::int32_t x)
    {
        const std::int32_t entering = x + radius_;
        const std::int32_t leaving = x - radius_ - 1;
        slideBins<Count, 3 * kCoarseBins>(coarse_.data(), entering < width_ ? columns_.coarse(entering) : nullptr,
                                          leaving >= 0 ? columns_.coarse(leaving) : nullptr);
    }

    // The element of `rank` of the channel in the window at column x.
    std::uint8_t select(int channel, std::uint32_t rank, std::int32_t x)
    {
        std::uint32_t below = 0;
        const int bin = firstBinAbove(coarse_.data() + channel * kCoarseBins, rank, below);
        const int value = firstBinAbove(currentSegment(channel, bin, x), rank - below, below);
        return static_cast<std::uint8_t>(bin * kSegment + value);
    }

private:
    std::int32_t lowColumn(std::int32_t x) const { return std::max(x - radius_, 0); }
    std::int32_t highColumn(std::int32_t x) const { return std::min(x + radius_, width_ - 1); }

    // The fine segment `bin` brought from the window at its last column to
    // the window at x (x never decreases within a row): column by column
    // while that is shorter than summing the window afresh.
    const Count* currentSegment(int channel, int bin, std::int32_t x)
    {
        Count* segment = fine_.data() + channel * kFineBins + bin * kSegment;
        std::int32_t& last = segmentColumn_[static_cast<std::size_t>(channel * kCoarseBins + bin)];
        if (last == x) {
            return segment;
        }
        if (last == kStale || static_cast<std::int64_t>(x - last) > radius_) {
            std::fill_n(segment, kSegment, Count{0});
            for (std::int32_t c = lowColumn(x); c <= highColumn(x); ++c) {
                slideBins<Count, kSegment>(segment, columns_.fineSegment(c, channel, bin), nullptr);
            }
        } else {
            for (std::int32_t c = last + 1; c <= x; ++c) {
                const std::int32_t entering = c + radius_;
                const std::int32_t leaving = c - radius_ - 1;
                slideBins<Count, kSegment>(segment,
                                           entering < width_ ? columns_.fineSegment(entering, channel, bin) : nullptr,
                                           leaving >= 0 ? columns_.fineSegment(leaving, channel, bin) : nullptr);
            }
        }
        last = x;
        return segment;
    }

    const ColumnHistograms<Count>& columns_;
    int radius_;
    std::int32_t width_;
    std::array<Count, 3 * kCoarseBins> coarse_{};
    std::array<Count, 3 * kFineBins> fine_{};
    std::array<std::int32_t, 3 * kCoarseBins> segmentColumn_{};
};

// Computes the `scratch` pixels of columns firstColumn..lastColumn for rows
// firstRow..lastRow.
template <typename Count>
void rankFilterBlock(ImagePlanes& image, int radius, std::int32_t firstRow, std::int32_t lastRow,
                     std::int32_t firstColumn, std::int32_t lastColumn, ColumnHistograms<Count>& columns)
{
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    const std::int32_t width = image.width;
    const std::int32_t height = image.height;
    auto pixel = [&](std::int32_t y, std::int32_t x) {
        return current + static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x);
    };
    const std::int32_t lowColumn = std::max(firstColumn - radius, 0);
    const std::int32_t highColumn = std::min(lastColumn + radius, width - 1);

    columns.reset(lowColumn, highColumn);
    for (std::int32_t y = std::max(firstRow - radius, 0); y <= std::min(firstRow + radius, height - 1); ++y) {
        for (std::int32_t c = lowColumn; c <= highColumn; ++c) {
            columns.slide(c, pixel(y, c), nullptr);
        }
    }
    WindowHistogram<Count> window(columns, radius, width);
    for (std::int32_t row = firstRow; row <= lastRow; ++row) {
        if (row > firstRow) {
            const bool enters = row + radius < height;
            const bool leaves = row - radius - 1 >= 0;
            for (std::int32_t c = lowColumn; c <= highColumn; ++c) {
                columns.slide(c, enters ? pixel(row + radius, c) : nullptr,
                              leaves ? pixel(row - radius - 1, c) : nullptr);
            }
        }
        const std::uint32_t windowRows =
            static_cast<std::uint32_t>(std::min(row + radius, height - 1) - std::max(row - radius, 0) + 1);
        window.start(firstColumn);
        for (std::int32_t x = firstColumn; x <= lastColumn; ++x) {
            if (x > firstColumn) {
                window.step(x);
            }
            const std::uint32_t windowColumns =
                static_cast<std::uint32_t>(std::min(x + radius, width - 1) - std::max(x - radius, 0) + 1);
            const std::uint8_t* centre = pixel(row, x);
            const std::uint32_t rank =
                rankIndex(luminance(centre[2], centre[1], centre[0]), windowRows * windowColumns);
            std::uint8_t* out = scratch + static_cast<std::size_t>(row) * stride + 3 * static_cast<std::size_t>(x);
            for (int channel = 0; channel < 3; ++channel) {
                out[channel] = window.select(channel, rank, x);
            }
        }
    }
}

// Each worker takes one contiguous block of the rectangle's rows, as the
// static schedule of parallelRows would, and sweeps it strip by strip.
template <typename Count>
void rankFilterRect(ImagePlanes& image, int radius, const PreviewRect& rect)
{
#pragma omp parallel
    {
        const std::int32_t workers = omp_get_num_threads();
        const std::int32_t worker = omp_get_thread_num();
        const std::int32_t share = rect.h / workers;
        const std::int32_t extra = rect.h % workers;
        const std::int32_t firstRow = rect.y0 + worker * share + std::min(worker, extra);
        const std::int32_t lastRow = firstRow + share + (worker < extra ? 1 : 0) - 1;
        ColumnHistograms<Count> columns;
        for (std::int32_t strip = rect.x0; strip < rect.x0 + rect.w && firstRow <= lastRow; strip += kStripWidth) {
            const std::int32_t stripLast = std::min(strip + kStripWidth, rect.x0 + rect.w) - 1;
            rankFilterBlock(image, radius, firstRow, lastRow, strip, stripLast, columns);
        }
    }
}

void rankFilter(ImagePlanes& image, int requestedRadius, const PreviewRect& rect)
{
    // A radius below 1 is a window of the pixel alone, which copies it.
    const int radius = std::max(requestedRadius, 0);
    if (rect.w <= 0 || rect.h <= 0) {
        return;
    }
    // 16-bit counts while a whole window fits in them, else 32-bit.
    const std::int64_t side = 2 * static_cast<std::int64_t>(radius) + 1;
    if (side * side <= UINT16_MAX) {
        rankFilterRect<std::uint16_t>(image, radius, rect);
    } else {
        rankFilterRect<std::uint32_t>(image, radius, rect);
    }
}

} // namespace

void luminanceRankFilter(ImagePlanes& image, int radius)
{
    rankFilter(image, radius, PreviewRect{0, 0, image.width, image.height});
}

void luminanceRankFilterPreview(ImagePlanes& image, const PreviewRect& region, int radius)
{
    rankFilter(image, radius, region);
}
