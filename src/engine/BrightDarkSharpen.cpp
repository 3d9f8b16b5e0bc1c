// Bright and dark sharpen: per channel, the mean of the bytes of the nested
// clipped squares that are not brighter (bright) or not darker (dark) than
// the pixel's own byte, a byte counted once per square that holds it.
// Written into `scratch` only; split by rows only.
#include "engine/BrightDarkSharpen.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

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

// The interior runs on vectors of each target's register width; rows with
// fewer interior bytes than the widest vector go the clipped way.
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

// The narrow accumulators of one group of at most kGroupTaps taps over the
// byte lanes of a vector. A tap costs a compare, a mask and three additions:
//   counts  + 1 per taken byte, in 8 bits: at most 255 per group;
//   words   the kept bytes (taken byte or 0) read as 16-bit words, each the
//           lane pair's low byte + 256 x high byte, added modulo 2^16;
//   highs   the high bytes of those words, added exactly: at most
//           255 x 255 = 65 025 per group.
// The low bytes' sum is then words - 256 x highs modulo 2^16: both sides
// agree modulo 2^16, and the true sum lies in 0 .. 65 025, below 2^16, so
// the 16-bit difference is that sum exactly. Every lane thus gets the exact
// integer sum and count of its taken bytes.
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
    const Bytes take = reinterpret_cast<Bytes>(side == Side::Bright ? in <= own : in >= own);
    group.counts -= take; // take is 255 (minus one) or 0
    const Words kept = reinterpret_cast<Words>(in & take);
    group.words += kept;
    group.highs += kept >> 8;
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
// image's sides; the squares' rows are clipped to rowsAbove rows above and
// rowsBelow rows below, the same for every lane. A byte's squares hold the
// bytes of its own channel at offsets 3 dx along the row, so the bytes are
// independent lanes.
template <Side side, int Width>
[[gnu::always_inline]] inline void sharpenInteriorLanes(const std::uint8_t* ownBytes, std::ptrdiff_t stride,
                                                        const SquareFamily& family, std::int32_t rowsAbove,
                                                        std::int32_t rowsBelow, std::uint8_t* out)
{
    typename Lanes<Width>::Bytes own;
    std::memcpy(&own, ownBytes, Width);
    std::int32_t sums[Width] = {};
    std::int32_t counts[Width] = {};
    TapGroup<Width> group;
    std::int32_t groupTaps = 0;
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
                for (std::int32_t dx = pieceStart; dx <= pieceEnd; ++dx) {
                    addTap<side, Width>(group, own, row + 3 * dx);
                }
                groupTaps += pieceEnd - pieceStart + 1;
            }
        }
    }
    flushGroup(group, sums, counts);
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
                                                       std::uint8_t* out)
{
    for (std::int32_t start = 0; start < byteCount; start += Width) {
        const std::int32_t at = std::min(start, byteCount - Width);
        sharpenInteriorLanes<side, Width>(first + at, stride, family, rowsAbove, rowsBelow, out + at);
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
        // The columns whose squares fit between the sides run in vectors;
        // the rows of the squares are clipped alike for all lanes, so the
        // top and bottom rows run there too.
        const std::int32_t firstByte = 3 * columns.interiorFirst;
        const std::int32_t byteCount = 3 * (columns.interiorLast + 1) - firstByte;
        if (byteCount < kWidestLanes) {
            clipped(columns.first, columns.last);
            return;
        }
        clipped(columns.first, columns.interiorFirst - 1);
        const std::size_t offset = rowOffset + firstByte;
        const std::int32_t rowsAbove = row;
        const std::int32_t rowsBelow = image.height - 1 - row;
        if constexpr (side == Side::Bright) {
            brightInterior(current + offset, byteCount, static_cast<std::ptrdiff_t>(stride), family, rowsAbove,
                           rowsBelow, scratch + offset);
        } else {
            darkInterior(current + offset, byteCount, static_cast<std::ptrdiff_t>(stride), family, rowsAbove,
                         rowsBelow, scratch + offset);
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
