// Building blocks of the hand-written AVX-512 kernels of the pointwise
// stages: bytes widened to doubles, the byte rule on eight doubles, the
// masks of a partial block, and blocks of 16 pixels split into channels and
// joined again. Each kernel runs only where avx512Kernels() says the
// processor has every extension used here; elsewhere the operation
// keeps its portable loop. Both perform the same IEEE double operations in
// the same order per lane (no fused multiply-add), so they give the same
// bytes.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define FOTRA_AVX512_KERNELS 1
#else
#define FOTRA_AVX512_KERNELS 0
#endif

#if FOTRA_AVX512_KERNELS

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// GCC 12 takes the deliberately undefined operands inside the intrinsics
// for uninitialised variables.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#define FOTRA_AVX512 __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi")))

namespace engine::avx512 {

// Whether the processor (and the system, which must save the wide
// registers) supports the kernels; asked once. FOTRA_PORTABLE_KERNELS=1 in
// the environment turns them off, so that the portable loops, which other
// processors run, are tested on this one too.
inline bool avx512Kernels()
{
    static const bool supported = [] {
        const char* portable = std::getenv("FOTRA_PORTABLE_KERNELS");
        if (portable != nullptr && std::string_view(portable) == "1") {
            return false;
        }
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
               __builtin_cpu_supports("avx512vbmi");
    }();
    return supported;
}

// The mask of the first `count` byte lanes of a 64-byte vector (count <= 64).
FOTRA_AVX512 inline __mmask64 firstBytes(std::size_t count)
{
    return count >= 64 ? ~__mmask64{0} : (__mmask64{1} << count) - 1;
}

// Runs block(first, count) over `total` units in blocks of `size`: the full
// blocks get the constant `size`, so that their loads and stores need no
// mask (masked stores are slow on some processors), and only the last,
// shorter block works under masks.
template <std::size_t size, typename Block>
FOTRA_AVX512 inline void forEachBlock(std::size_t total, Block&& block)
{
    std::size_t first = 0;
    for (; first + size <= total; first += size) {
        block(first, size);
    }
    if (first < total) {
        block(first, total - first);
    }
}

// The byte rule on 8 doubles, as 8 dword lanes: the maximum with 0 maps
// negatives, -0 and NaN (the maximum returns its second operand when one is
// NaN) to 0; truncation gives 0x80000000 for values of 2^31 and above, which
// the unsigned saturation of packByteRule turns into 255 like any value
// above 255.
FOTRA_AVX512 inline __m256i byteRule(__m512d value)
{
    return _mm512_cvttpd_epi32(_mm512_max_pd(value, _mm512_setzero_pd()));
}

// Dword lanes 0-7 and 8-15 in one vector.
FOTRA_AVX512 inline __m512i joinHalves(__m256i low, __m256i high)
{
    return _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
}

// Two results of byteRule (lanes 0-7 and 8-15) as 16 bytes.
FOTRA_AVX512 inline __m128i packByteRule(__m256i low, __m256i high)
{
    return _mm512_cvtusepi32_epi8(joinHalves(low, high));
}

// Byte tables of the permutes below, one 64-byte vector each.
using ByteTable = std::array<std::uint8_t, 64>;

FOTRA_AVX512 inline __m512i loadTable(const ByteTable& table)
{
    return _mm512_loadu_si512(table.data());
}

namespace detail {

// The pixel held by dword lane `lane` of a vector of 16 pixel values: each
// 16-byte lane k holds pixels 2k, 2k + 1, 2k + 8 and 2k + 9, so that the
// in-lane unpacks of doublesOfDwords yield pixels 0-7 and 8-15 in order.
constexpr int pixelOfLane(int lane)
{
    const int k = lane / 4;
    const int j = lane % 4;
    return 2 * k + (j < 2 ? j : 6 + j);
}

// Channel c of that pixel (byte 3i + c) into the low byte of each dword lane.
constexpr ByteTable channelIndices(int channel)
{
    ByteTable table{};
    for (int lane = 0; lane < 16; ++lane) {
        table[4 * lane] = static_cast<std::uint8_t>(3 * pixelOfLane(lane) + channel);
    }
    return table;
}

// Byte j of 16 pixels from the packs in saturatedPixels: within each
// 16-byte lane L, bytes 4c to 4c + 3 hold channel c of pixels 4L to 4L + 3.
constexpr ByteTable packedJoinIndices()
{
    ByteTable table{};
    for (int j = 0; j < 48; ++j) {
        const int pixel = j / 3;
        table[j] = static_cast<std::uint8_t>(16 * (pixel / 4) + 4 * (j % 3) + pixel % 4);
    }
    return table;
}

inline constexpr ByteTable kChannelIndices[3] = {channelIndices(0), channelIndices(1), channelIndices(2)};
inline constexpr ByteTable kPackedJoinIndices = packedJoinIndices();
inline constexpr __mmask64 kLowByteOfDwords = 0x1111111111111111;

// pixelOfLane for 16 lanes, as the indices of a byte shuffle.
constexpr std::array<std::uint8_t, 16> laneOrder()
{
    std::array<std::uint8_t, 16> order{};
    for (int lane = 0; lane < 16; ++lane) {
        order[lane] = static_cast<std::uint8_t>(pixelOfLane(lane));
    }
    return order;
}

inline constexpr std::array<std::uint8_t, 16> kLaneOrder = laneOrder();

} // namespace detail

FOTRA_AVX512 inline __m128i loadLaneOrder()
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(detail::kLaneOrder.data()));
}

// The 16 pixels (48 bytes, blue-green-red) of a block; fewer at the end of
// a row, whose lanes past the last pixel hold 0. Nothing past them is read.
FOTRA_AVX512 inline __m512i loadSixteenPixels(const std::uint8_t* source, std::size_t pixels)
{
    if (pixels == 16) {
        const __m512i low = _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(source)));
        return _mm512_inserti32x4(low, _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 32)), 2);
    }
    return _mm512_maskz_loadu_epi8(firstBytes(3 * pixels), source);
}

// Channel c (0 blue, 1 green, 2 red) of the 16 pixels as dword lanes, in
// the lane order of detail::pixelOfLane.
FOTRA_AVX512 inline __m512i channelDwords(__m512i pixels, int channel)
{
    return _mm512_maskz_permutexvar_epi8(detail::kLowByteOfDwords, loadTable(detail::kChannelIndices[channel]),
                                         pixels);
}

// 16 bytes as dword lanes in the lane order of channelDwords.
FOTRA_AVX512 inline __m512i dwordsOfBytes(__m128i bytes)
{
    return _mm512_cvtepu8_epi32(_mm_shuffle_epi8(bytes, loadLaneOrder()));
}

// Values 0-7 (half 0) or 8-15 (half 1) of dwords from 0 to 2^32 - 1 in the
// lane order of channelDwords, as doubles: a dword x beneath the high word
// 0x43300000 is the double 2^52 + x, exactly, and subtracting 2^52 leaves x
// exactly (cheaper than a conversion instruction).
FOTRA_AVX512 inline __m512d doublesOfDwords(__m512i dwords, int half)
{
    const __m512i highWords = _mm512_set1_epi32(0x43300000);
    const __m512i bits =
        half == 0 ? _mm512_unpacklo_epi32(dwords, highWords) : _mm512_unpackhi_epi32(dwords, highWords);
    return _mm512_sub_pd(_mm512_castsi512_pd(bits), _mm512_set1_pd(4503599627370496.0));
}

// Stores the first 3 x `pixels` bytes of `bytes` (pixels <= 16), nothing
// past them.
FOTRA_AVX512 inline void storeSixteenPixelBytes(std::uint8_t* target, __m512i bytes, std::size_t pixels)
{
    if (pixels == 16) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target), _mm512_castsi512_si256(bytes));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 32), _mm512_extracti32x4_epi32(bytes, 2));
    } else {
        _mm512_mask_storeu_epi8(target, firstBytes(3 * pixels), bytes);
    }
}

// The 48 bytes of 16 pixels given as dword lanes (lane i holding pixel i),
// one vector per channel, every lane from 0 to 2^31 - 1 and stored
// saturated at 255 (the two packs saturate at 32767 and then at 255).
FOTRA_AVX512 inline __m512i saturatedPixels(__m512i blue, __m512i green, __m512i red)
{
    const __m512i packed = _mm512_packus_epi16(_mm512_packs_epi32(blue, green), _mm512_packs_epi32(red, red));
    return _mm512_permutexvar_epi8(loadTable(detail::kPackedJoinIndices), packed);
}

} // namespace engine::avx512

#endif
