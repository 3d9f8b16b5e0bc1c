// Compose with scratch: result = current x (s + 1) - scratch x s per channel
// byte, in doubles with both products formed first, stored by the byte rule;
// afterwards the whole scratch plane is cleared. Split by rows only; the
// bytes of a row are independent lanes of one vector loop, hand-written for
// AVX-512 where the processor has it.
#include "engine/ComposeWithScratch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/Avx512Lanes.h"
#include "engine/ParallelPlanes.h"
#include "engine/VectorClones.h"
#include "engine/WholeImage.h"

using engine::wholeImage;

namespace {

// The pixel rule, for one run of channel bytes.
FOTRA_WIDE_VECTOR_CLONES void composeBytes(const std::uint8_t* __restrict current, const std::uint8_t* __restrict scratch,
                                      std::uint8_t* __restrict result, std::size_t count, double strength)
{
    const double keep = strength + 1.0;
    for (std::size_t j = 0; j < count; ++j) {
        // Both products first, then their difference.
        const double value = current[j] * keep - (scratch[j] * strength);
        result[j] = storeByte(value);
    }
}

#if FOTRA_AVX512_KERNELS

using namespace engine::avx512;

// The same rule on 16 bytes.
FOTRA_AVX512 __m128i composeSixteen(__m128i current, __m128i scratch, __m512d keep, __m512d strength)
{
    const __m512i currentDwords = dwordsOfBytes(current);
    const __m512i scratchDwords = dwordsOfBytes(scratch);
    __m256i halves[2];
    for (int half = 0; half < 2; ++half) {
        const __m512d c = doublesOfDwords(currentDwords, half);
        const __m512d o = doublesOfDwords(scratchDwords, half);
        halves[half] = byteRule(_mm512_sub_pd(_mm512_mul_pd(c, keep), _mm512_mul_pd(o, strength)));
    }
    return packByteRule(halves[0], halves[1]);
}

// The same rule 64 bytes at a time.
FOTRA_AVX512 void composeBytesAvx512(const std::uint8_t* current, const std::uint8_t* scratch,
                                     std::uint8_t* result, std::size_t count, double strength)
{
    const __m512d keep = _mm512_set1_pd(strength + 1.0);
    const __m512d s = _mm512_set1_pd(strength);
    forEachBlock<64>(count, [&](std::size_t first, std::size_t bytes) FOTRA_AVX512 {
        const __mmask64 mask = firstBytes(bytes);
        __m128i quarters[4];
        for (std::size_t q = 0; q < 4; ++q) {
            const std::size_t at = first + 16 * q;
            const __mmask16 lanes = static_cast<__mmask16>(mask >> (16 * q));
            const __m128i c = bytes == 64 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(current + at))
                                          : _mm_maskz_loadu_epi8(lanes, current + at);
            const __m128i o = bytes == 64 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(scratch + at))
                                          : _mm_maskz_loadu_epi8(lanes, scratch + at);
            quarters[q] = composeSixteen(c, o, keep, s);
        }
        const __m512i out = _mm512_inserti64x4(_mm512_castsi256_si512(_mm256_set_m128i(quarters[1], quarters[0])),
                                               _mm256_set_m128i(quarters[3], quarters[2]), 1);
        if (bytes == 64) {
            _mm512_storeu_si512(result + first, out);
        } else {
            _mm512_mask_storeu_epi8(result + first, mask, out);
        }
    });
}

#endif

using ComposeKernel = void (*)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, std::size_t, double);

ComposeKernel composeKernel()
{
#if FOTRA_AVX512_KERNELS
    if (avx512Kernels()) {
        return composeBytesAvx512;
    }
#endif
    return composeBytes;
}

void composeArea(ImagePlanes& image, PreviewRect area, double strength)
{
    const std::size_t stride = image.stride();
    const std::size_t firstByte = 3 * static_cast<std::size_t>(area.x0);
    const std::size_t count = 3 * static_cast<std::size_t>(area.w > 0 ? area.w : 0);
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    // Over the whole image each scratch row is cleared (padding included)
    // while it is still in cache, which clears the whole plane.
    const bool wholeRows = area.x0 == 0 && area.w == image.width && area.y0 == 0 && area.h == image.height;
    const ComposeKernel kernel = composeKernel();
    parallelRows(area.y0, area.y0 + area.h - 1, [=](std::int32_t row) {
        const std::size_t rowStart = row * stride;
        const std::size_t offset = rowStart + firstByte;
        kernel(current + offset, scratch + offset, result + offset, count, strength);
        if (wholeRows) {
            std::memset(scratch + rowStart, 0, stride);
        }
    });
    if (!wholeRows) {
        engine::fillPlaneShared(image.scratch, 0);
    }
}

} // namespace

void composeWithScratch(ImagePlanes& image, double strength)
{
    composeArea(image, wholeImage(image), strength);
}

void composeWithScratchPreview(ImagePlanes& image, PreviewRect rect, double strength)
{
    composeArea(image, rect, strength);
}
