// Bright and dark sharpen: per channel, the mean of the bytes of the nested
// clipped squares that are not brighter (bright) or not darker (dark) than
// the pixel's own byte, a byte counted once per square that holds it.
// Written into `scratch` only; split by rows only. Each output byte is a lane
// of a vector that compares and adds one tap of its squares per step, in
// narrow integer sums that are exact (see TapGroup).
#include "engine/BrightDarkSharpen.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

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

// The columns run on vectors of each target's register width; a row with
// fewer interior bytes than the widest vector runs its interior pixel by
// pixel.
constexpr std::int32_t kWidestLanes = 64;
// Taps added into the narrow accumulators before they join the 32-bit sums.
constexpr std::int32_t kGroupTaps = 255;

// Byte and 16-bit lanes filling a vector of Width bytes.
template <int Width>
struct Lanes;
template <>
struct Lanes<16> {
    using Bytes = std::uint8_t __attribute__((vector_size(16)));
    using Words = std::uint16_t __attribute__((vector_size(16)));
};
template <>
struct Lanes<32> {
    using Bytes = std::uint8_t __attribute__((vector_size(32)));
    using Words = std::uint16_t __attribute__((vector_size(32)));
};
template <>
struct Lanes<64> {
    using Bytes = std::uint8_t __attribute__((vector_size(64)));
    using Words = std::uint16_t __attribute__((vector_size(64)));
};

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

// The byte that pads rows past the image's sides: a pad is taken only by a
// byte equal to it, and then adds to the sum and the count what the kernel
// takes off again (255 each for bright, 0 and 1 for dark).
template <Side side>
constexpr std::int32_t kPadByte = side == Side::Bright ? 255 : 0;

// The narrow accumulators of one group of at most kGroupTaps taps over the
// byte lanes of a vector. Each tap's byte is first clamped to the pixel's own
// byte, c = min(byte, own) for bright and max(byte, own) for dark: c is the
// byte when it is taken and `own` when not, so the sum of the taken bytes is
// the sum of the clamped ones less `own` once per tap not taken. A tap costs
// the clamp, a compare and three additions:
//   counts  + 1 per taken byte (c == byte), in 8 bits: at most 255 per group;
//   words   the clamped bytes read as 16-bit words, each the lane pair's
//           low byte + 256 x high byte, added modulo 2^16;
//   highs   the high bytes of those words, added exactly: at most
//           255 x 255 = 65 025 per group.
// The low bytes' sum is then words - 256 x highs modulo 2^16: both sides
// agree modulo 2^16, and the true sum lies in 0 .. 65 025, below 2^16, so
// the 16-bit difference is that sum exactly. Every lane thus gets the exact
// integer sum of its clamped bytes and count of its taken bytes.
template <int Width>
struct TapGroup {
    typename Lanes<Width>::Bytes counts{};
    typename Lanes<Width>::Words words{};
    typename Lanes<Width>::Words highs{};
};

template <Side side, int Width>
[[gnu::always_inline]] inline void addTap(TapGroup<Width>& group, const typename Lanes<Width>::Bytes& own,
                                          const std::uint8_t* bytes)
{
    using Bytes = typename Lanes<Width>::Bytes;
    using Words = typename Lanes<Width>::Words;
    Bytes in;
    std::memcpy(&in, bytes, Width);
    const Bytes clamped = side == Side::Bright ? (in < own ? in : own) : (in > own ? in : own);
    const Bytes take = reinterpret_cast<Bytes>(clamped == in);
    group.counts -= take; // take is 255 (minus one) or 0
    const Words words = reinterpret_cast<Words>(clamped);
    group.words += words;
    group.highs += words >> 8;
}

// Adds a group's exact sums and counts to the 32-bit ones and empties it.
template <int Width>
[[gnu::always_inline]] inline void flushGroup(TapGroup<Width>& group, std::int32_t* sums, std::int32_t* counts)
{
    constexpr bool little = std::endian::native == std::endian::little;
    const typename Lanes<Width>::Words lows = group.words - (group.highs << 8);
    for (std::int32_t i = 0; i < Width / 2; ++i) {
        sums[2 * i + (little ? 0 : 1)] += lows[i];
        sums[2 * i + (little ? 1 : 0)] += group.highs[i];
    }
    for (std::int32_t b = 0; b < Width; ++b) {
        counts[b] += group.counts[b];
    }
    group = TapGroup<Width>{};
}

// The pixel rule for Width channel bytes whose squares lie wholly between the
// sides of the rows read; the squares' rows are clipped to rowsAbove rows
// above and rowsBelow rows below, the same for every lane. A byte's squares
// hold the bytes of its own channel at offsets 3 dx along the row, so the
// bytes are independent lanes. Rows padded past the image's sides with
// kPadByte pass padTaps, each lane's number of pad taps; else null.
template <Side side, int Width>
[[gnu::always_inline]] inline void sharpenInteriorLanes(const std::uint8_t* ownBytes, std::ptrdiff_t stride,
                                                        const SquareFamily& family, std::int32_t rowsAbove,
                                                        std::int32_t rowsBelow, const std::int32_t* padTaps,
                                                        std::uint8_t* out)
{
    typename Lanes<Width>::Bytes own;
    std::memcpy(&own, ownBytes, Width);
    std::int32_t sums[Width] = {};
    std::int32_t counts[Width] = {};
    TapGroup<Width> group;
    std::int32_t groupTaps = 0;
    std::int32_t taps = 0;
    for (std::int32_t k = 0; k < family.count; ++k) {
        const std::int32_t half = family.radius - k * family.step;
        for (std::int32_t dy = -std::min(half, rowsAbove); dy <= std::min(half, rowsBelow); ++dy) {
            for (std::int32_t pieceStart = -half; pieceStart <= half; pieceStart += kGroupTaps) {
                const std::int32_t pieceEnd = std::min(half, pieceStart + kGroupTaps - 1);
                if (groupTaps + pieceEnd - pieceStart + 1 > kGroupTaps) {
                    flushGroup(group, sums, counts);
                    groupTaps = 0;
                }
                const std::uint8_t* row = ownBytes + dy * stride;
                // Unrolled: the loop's own steps would otherwise cost about
                // as much as the tap on the narrower targets.
#pragma GCC unroll 4
                for (std::int32_t dx = pieceStart; dx <= pieceEnd; ++dx) {
                    addTap<side, Width>(group, own, row + 3 * dx);
                }
                groupTaps += pieceEnd - pieceStart + 1;
                taps += pieceEnd - pieceStart + 1;
            }
        }
    }
    flushGroup(group, sums, counts);
    // From the clamped bytes' sums to the taken bytes' sums.
    for (std::int32_t b = 0; b < Width; ++b) {
        sums[b] -= ownBytes[b] * (taps - counts[b]);
    }
    if (padTaps != nullptr) {
        for (std::int32_t b = 0; b < Width; ++b) {
            const bool padsTaken = ownBytes[b] == kPadByte<side>;
            counts[b] -= padsTaken ? padTaps[b] : 0;
            sums[b] -= padsTaken ? kPadByte<side> * padTaps[b] : 0;
        }
    }
    for (std::int32_t b = 0; b < Width; ++b) {
        out[b] = meanByte(sums[b], counts[b]);
    }
}

// The interior bytes of one row, at least kWidestLanes of them, in vectors;
// the last vector moves back to end at the last byte (its overlap is computed
// twice, alike).
template <Side side, int Width>
[[gnu::always_inline]] inline void sharpenInteriorSpan(const std::uint8_t* first, std::int32_t byteCount,
                                                       std::ptrdiff_t stride, const SquareFamily& family,
                                                       std::int32_t rowsAbove, std::int32_t rowsBelow,
                                                       const std::int32_t* padTaps, std::uint8_t* out)
{
    for (std::int32_t start = 0; start < byteCount; start += Width) {
        const std::int32_t at = std::min(start, byteCount - Width);
        sharpenInteriorLanes<side, Width>(first + at, stride, family, rowsAbove, rowsBelow,
                                          padTaps == nullptr ? nullptr : padTaps + at, out + at);
    }
}

template <int Width, typename... Args>
[[gnu::always_inline]] inline void brightInteriorBody(Args&&... args)
{
    sharpenInteriorSpan<Side::Bright, Width>(std::forward<Args>(args)...);
}

template <int Width, typename... Args>
[[gnu::always_inline]] inline void darkInteriorBody(Args&&... args)
{
    sharpenInteriorSpan<Side::Dark, Width>(std::forward<Args>(args)...);
}

// The interior kernels of the two sides, compiled for every target.
FOTRA_WIDTH_KERNEL(brightInterior, brightInteriorBody)
FOTRA_WIDTH_KERNEL(darkInterior, darkInteriorBody)

// Output columns of a side band: enough for the widest vector, and at least
// the radius so that they hold every clipped column of that side.
std::int32_t bandColumns(std::int32_t radius)
{
    return std::max((kWidestLanes + 2) / 3, radius);
}

// A copy of the first (left) or last (right) bandColumns(r) + r columns of
// rows firstRow to lastRow, padded with r pixels of kPadByte past the side,
// so that the clipped columns of that side run on the vector kernel.
struct SideBand {
    std::vector<std::uint8_t> bytes;
    std::size_t stride = 0;
    std::int32_t firstRow = 0;
    std::int32_t firstColumn = 0; // image column of output column 0

    SideBand() = default;
    SideBand(const ImagePlanes& image, std::int32_t radius, bool left, std::int32_t rowFirst, std::int32_t rowLast,
             std::uint8_t pad)
        : stride(3 * static_cast<std::size_t>(bandColumns(radius) + 2 * radius)), firstRow(rowFirst),
          firstColumn(left ? 0 : image.width - bandColumns(radius))
    {
        bytes.assign(stride * static_cast<std::size_t>(rowLast - rowFirst + 1), pad);
        const std::size_t copied = stride - 3 * static_cast<std::size_t>(radius);
        const std::size_t from = 3 * static_cast<std::size_t>(left ? 0 : firstColumn - radius);
        const std::size_t to = left ? 3 * static_cast<std::size_t>(radius) : 0;
        for (std::int32_t row = rowFirst; row <= rowLast; ++row) {
            std::copy_n(image.current.data() + row * image.stride() + from, copied,
                        bytes.data() + (row - rowFirst) * stride + to);
        }
    }

    // Where output column 0 of `row` lies in the band.
    const std::uint8_t* own(std::int32_t row, std::int32_t radius) const
    {
        return bytes.data() + (row - firstRow) * stride + 3 * static_cast<std::size_t>(radius);
    }
};

// Each lane's pad taps in a band row: per square, the square's rows in the
// image times the columns it reaches past the side.
void padTapsOf(const SquareFamily& family, std::int32_t columns, std::int32_t firstColumn, std::int32_t width,
               std::int32_t rowsAbove, std::int32_t rowsBelow, std::vector<std::int32_t>& taps)
{
    taps.assign(3 * static_cast<std::size_t>(columns), 0);
    for (std::int32_t k = 0; k < family.count; ++k) {
        const std::int32_t half = family.radius - k * family.step;
        const std::int32_t rows = std::min(half, rowsAbove) + std::min(half, rowsBelow) + 1;
        for (std::int32_t j = 0; j < columns; ++j) {
            const std::int32_t x = firstColumn + j;
            const std::int32_t past = std::max(0, half - x) + std::max(0, x + half - (width - 1));
            for (std::int32_t c = 0; c < 3; ++c) {
                taps[3 * j + c] += rows * past;
            }
        }
    }
}

template <Side side>
void sharpenArea(ImagePlanes& image, PreviewRect area, int radius, int ringStep)
{
    const SquareFamily family = squareFamily(radius, ringStep);
    const std::int32_t r = family.radius;
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    const engine::WindowColumns columns = engine::windowColumns(area.x0, area.x0 + area.w - 1, r, image.width);
    const auto interiorKernel = [](auto&&... args) {
        if constexpr (side == Side::Bright) {
            brightInterior(args...);
        } else {
            darkInterior(args...);
        }
    };

    // With no column clipped on both sides, the clipped columns run from
    // padded side bands.
    const std::int32_t band = bandColumns(r);
    const bool bands = image.width >= band + 2 * r;
    const std::int32_t bandFirstRow = std::max(0, area.y0 - r);
    const std::int32_t bandLastRow = std::min(image.height - 1, area.y0 + area.h - 1 + r);
    const auto sideBand = [&](bool left) {
        return bands ? SideBand(image, r, left, bandFirstRow, bandLastRow, kPadByte<side>) : SideBand{};
    };
    const SideBand leftBand = sideBand(true);
    const SideBand rightBand = sideBand(false);

    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        const std::size_t rowOffset = row * stride;
        const std::int32_t rowsAbove = row;
        const std::int32_t rowsBelow = image.height - 1 - row;
        const auto perPixel = [&](std::int32_t from, std::int32_t to) {
            for (std::int32_t x = from; x <= to; ++x) {
                sharpenPixel<side>(image, family, x, row, scratch + rowOffset + 3 * static_cast<std::size_t>(x));
            }
        };
        std::vector<std::int32_t> padTaps;
        std::vector<std::uint8_t> bandOut;
        const auto fromBand = [&](const SideBand& sideBand, std::int32_t from, std::int32_t to) {
            if (from > to) {
                return;
            }
            padTapsOf(family, band, sideBand.firstColumn, image.width, rowsAbove, rowsBelow, padTaps);
            bandOut.resize(padTaps.size());
            interiorKernel(sideBand.own(row, r), static_cast<std::int32_t>(bandOut.size()),
                           static_cast<std::ptrdiff_t>(sideBand.stride), family, rowsAbove, rowsBelow,
                           padTaps.data(), bandOut.data());
            std::copy(bandOut.begin() + 3 * (from - sideBand.firstColumn),
                      bandOut.begin() + 3 * (to + 1 - sideBand.firstColumn),
                      scratch + rowOffset + 3 * static_cast<std::size_t>(from));
        };
        const auto clipped = [&](std::int32_t from, std::int32_t to) {
            if (!bands) {
                perPixel(from, to);
                return;
            }
            fromBand(leftBand, from, std::min(to, r - 1));
            fromBand(rightBand, std::max(from, image.width - r), to);
        };
        if (columns.interiorFirst > columns.interiorLast) {
            clipped(columns.first, columns.last);
            return;
        }
        clipped(columns.first, columns.interiorFirst - 1);
        // The columns whose squares fit between the sides run in vectors;
        // the rows of the squares are clipped alike for all lanes, so the
        // top and bottom rows run there too.
        const std::int32_t firstByte = 3 * columns.interiorFirst;
        const std::int32_t byteCount = 3 * (columns.interiorLast + 1) - firstByte;
        if (byteCount < kWidestLanes) {
            perPixel(columns.interiorFirst, columns.interiorLast);
        } else {
            const std::size_t offset = rowOffset + firstByte;
            interiorKernel(current + offset, byteCount, static_cast<std::ptrdiff_t>(stride), family, rowsAbove,
                           rowsBelow, nullptr, scratch + offset);
        }
        clipped(columns.interiorLast + 1, columns.last);
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
