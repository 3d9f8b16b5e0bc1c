// Building blocks of the hand-written AVX-512 kernels of the pointwise
// stages: bytes widened to doubles, the byte rule on eight doubles, the
// masks of a partial block, and 64 pixels split into channel vectors and
// joined again. Each kernel runs only where avx512Kernels() says
// the processor has every extension used here; elsewhere the operation
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

// GCC 12 takes the deliberately undefined operands inside the intrinsics
// for uninitialised variables.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#define FOTRA_AVX512 __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi")))

namespace engine::avx512 {

// Whether the processor (and the system, which must save the wide
// registers) supports the kernels; asked once.
inline bool avx512Kernels()
{
    static const bool supported = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
                                  __builtin_cpu_supports("avx512vbmi");
    return supported;
}

// The mask of the first `count` byte lanes of a 64-byte vector (count <= 64).
FOTRA_AVX512 inline __mmask64 firstBytes(std::size_t count)
{
    return count >= 64 ? ~__mmask64{0} : (__mmask64{1} << count) - 1;
}

// Byte lanes 8 x half to 8 x half + 7 of `bytes` as doubles.
FOTRA_AVX512 inline __m512d doublesOfBytes(__m128i bytes, int half)
{
    const __m128i eight = half == 0 ? bytes : _mm_unpackhi_epi64(bytes, bytes);
    return _mm512_cvtepi32_pd(_mm256_cvtepu8_epi32(eight));
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

// Two results of byteRule (lanes 0-7 and 8-15) as 16 bytes.
FOTRA_AVX512 inline __m128i packByteRule(__m256i low, __m256i high)
{
    return _mm512_cvtusepi32_epi8(_mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1));
}

// 64 pixels (192 bytes, blue-green-red) split into one vector per channel,
// pixel i in byte lane i.
struct PixelChannels {
    __m512i blue;
    __m512i green;
    __m512i red;
};

namespace detail {

using ByteTable = std::array<std::uint8_t, 64>;

// Gathering channel c of 64 pixels: lane i takes byte 3i + c of the 192,
// from the first two vectors (index bit 6 picks the second) or, from lane
// thirdFrom on, from the third.
constexpr ByteTable gatherIndices(int channel)
{
    ByteTable table{};
    for (int i = 0; i < 64; ++i) {
        table[i] = static_cast<std::uint8_t>((3 * i + channel) % 128);
    }
    return table;
}

constexpr __mmask64 fromThirdVector(int channel)
{
    return ~__mmask64{0} << ((128 - channel + 2) / 3);
}

// Scattering back: byte j of output vector k is byte 64k + j of the 192, the
// channel (64k + j) mod 3 of pixel (64k + j) / 3; index bit 6 picks green
// over blue, and red is merged under the mask below.
constexpr ByteTable scatterIndices(int vector)
{
    ByteTable table{};
    for (int j = 0; j < 64; ++j) {
        const int byte = 64 * vector + j;
        table[j] = static_cast<std::uint8_t>(byte / 3 + (byte % 3 == 1 ? 64 : 0));
    }
    return table;
}

constexpr __mmask64 redLanes(int vector)
{
    __mmask64 mask = 0;
    for (int j = 0; j < 64; ++j) {
        if ((64 * vector + j) % 3 == 2) {
            mask |= __mmask64{1} << j;
        }
    }
    return mask;
}

alignas(64) inline constexpr ByteTable kGather[3] = {gatherIndices(0), gatherIndices(1), gatherIndices(2)};
alignas(64) inline constexpr ByteTable kScatter[3] = {scatterIndices(0), scatterIndices(1), scatterIndices(2)};

FOTRA_AVX512 inline __m512i table(const ByteTable& bytes)
{
    return _mm512_load_si512(bytes.data());
}

FOTRA_AVX512 inline __m512i gatherChannel(const __m512i (&vectors)[3], int channel)
{
    const __m512i indices = table(kGather[channel]);
    const __m512i firstTwo = _mm512_permutex2var_epi8(vectors[0], indices, vectors[1]);
    return _mm512_mask_permutexvar_epi8(firstTwo, fromThirdVector(channel), indices, vectors[2]);
}

// Stores the first `bytes` bytes of the 3 vectors at `target`.
FOTRA_AVX512 inline void storeVectors(std::uint8_t* target, const __m512i (&vectors)[3], std::size_t bytes)
{
    for (std::size_t k = 0; k < 3 && bytes > 64 * k; ++k) {
        _mm512_mask_storeu_epi8(target + 64 * k, firstBytes(bytes - 64 * k), vectors[k]);
    }
}

} // namespace detail

// Loads `pixels` (at most 64) pixels from `source`; lanes past them are 0.
FOTRA_AVX512 inline PixelChannels loadPixels(const std::uint8_t* source, std::size_t pixels)
{
    const std::size_t bytes = 3 * pixels;
    __m512i vectors[3];
    for (std::size_t k = 0; k < 3; ++k) {
        vectors[k] = _mm512_maskz_loadu_epi8(firstBytes(bytes > 64 * k ? bytes - 64 * k : 0), source + 64 * k);
    }
    return {detail::gatherChannel(vectors, 0), detail::gatherChannel(vectors, 1), detail::gatherChannel(vectors, 2)};
}

// Stores the first `pixels` (at most 64) pixels of `channels` at `target`.
FOTRA_AVX512 inline void storePixels(std::uint8_t* target, const PixelChannels& channels, std::size_t pixels)
{
    __m512i vectors[3];
    for (int k = 0; k < 3; ++k) {
        const __m512i indices = detail::table(detail::kScatter[k]);
        const __m512i blueGreen = _mm512_permutex2var_epi8(channels.blue, indices, channels.green);
        vectors[k] = _mm512_mask_permutexvar_epi8(blueGreen, detail::redLanes(k), indices, channels.red);
    }
    detail::storeVectors(target, vectors, 3 * pixels);
}

// Stores byte lane i of `grey` into all three channels of pixel i, for the
// first `pixels` (at most 64) pixels; the scatter indices serve, as a
// single-source permute ignores index bit 6.
FOTRA_AVX512 inline void storeGreyPixels(std::uint8_t* target, __m512i grey, std::size_t pixels)
{
    __m512i vectors[3];
    for (int k = 0; k < 3; ++k) {
        vectors[k] = _mm512_permutexvar_epi8(detail::table(detail::kScatter[k]), grey);
    }
    detail::storeVectors(target, vectors, 3 * pixels);
}

} // namespace engine::avx512

#endif
