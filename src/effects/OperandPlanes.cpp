// Operand builders without a neighbourhood, the in-place grey of `result` and
// the mean colour. Each full form and its twin share one pixel rule and differ
// only in the rectangle they cover. Every row runs through a kernel compiled
// for AVX2 and the baseline, with its pixels (or bytes) as independent lanes;
// the grey has a hand-written AVX-512 kernel, used where the processor has it.
#include "effects/OperandPlanes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/EffectLoops.h"
#include "effects/LuminanceLanes.h"
#include "engine/Avx512Lanes.h"
#include "engine/VectorClones.h"

namespace {

using effects::forEachRowSpan;
using effects::wholeImage;

inline std::uint8_t greyByte(const std::uint8_t* pixel)
{
    return storeByte(luminance(pixel[2], pixel[1], pixel[0]));
}

// Copies one row of the rectangle's pattern into every row of it.
void fillRect(ImagePlanes& image, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
              const PreviewRect& rect)
{
    std::vector<std::uint8_t> pattern(3 * static_cast<std::size_t>(std::max(rect.w, 0)));
    for (std::size_t i = 0; i < pattern.size(); i += 3) {
        pattern[i] = blue;
        pattern[i + 1] = green;
        pattern[i + 2] = red;
    }
    std::uint8_t* scratch = image.scratch.data();
    const std::uint8_t* source = pattern.data();
    forEachRowSpan(image, rect, [=](std::size_t offset, std::size_t count) {
        std::memcpy(scratch + offset, source, count);
    });
}

FOTRA_VECTOR_CLONES void invertBytes(const std::uint8_t* __restrict current, std::uint8_t* __restrict scratch,
                                     std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        scratch[i] = static_cast<std::uint8_t>(255 - current[i]);
    }
}

void invertRect(ImagePlanes& image, const PreviewRect& rect)
{
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    forEachRowSpan(image, rect, [=](std::size_t offset, std::size_t count) {
        invertBytes(current + offset, scratch + offset, count);
    });
}

// Each pixel of a row of `result` becomes the grey of itself.
FOTRA_VECTOR_CLONES void greyInPlace(std::uint8_t* row, std::size_t pixels)
{
    for (std::size_t x = 0; x < pixels; ++x) {
        const std::uint8_t grey = greyByte(row + 3 * x);
        row[3 * x] = grey;
        row[3 * x + 1] = grey;
        row[3 * x + 2] = grey;
    }
}

// The grey of each pixel of `source` into all three channels of `target`.
FOTRA_VECTOR_CLONES void greyPixelsApart(const std::uint8_t* __restrict source, std::uint8_t* __restrict target,
                                         std::size_t pixels)
{
    for (std::size_t x = 0; x < pixels; ++x) {
        const std::uint8_t grey = greyByte(source + 3 * x);
        target[3 * x] = grey;
        target[3 * x + 1] = grey;
        target[3 * x + 2] = grey;
    }
}

#if FOTRA_AVX512_KERNELS

using engine::avx512::ByteTable;
using engine::avx512::byteRule;
using engine::avx512::channelDwords;
using engine::avx512::doublesOfDwords;
using engine::avx512::forEachBlock;
using engine::avx512::loadSixteenPixels;
using engine::avx512::loadTable;
using engine::avx512::packByteRule;
using engine::avx512::storeSixteenPixelBytes;

// Byte c of dword lane i is channel c of pixel i, byte 3 is 0.
constexpr ByteTable pixelDwordIndices()
{
    ByteTable table{};
    for (int i = 0; i < 16; ++i) {
        for (int c = 0; c < 3; ++c) {
            table[4 * i + c] = static_cast<std::uint8_t>(3 * i + c);
        }
    }
    return table;
}

// Byte j of 16 grey pixels is the grey in byte lane j / 3.
constexpr ByteTable greyCopyIndices()
{
    ByteTable table{};
    for (int j = 0; j < 48; ++j) {
        table[j] = static_cast<std::uint8_t>(j / 3);
    }
    return table;
}

constexpr ByteTable kPixelDwordIndices = pixelDwordIndices();
constexpr ByteTable kGreyCopyIndices = greyCopyIndices();

// greyByte of 16 pixels (the bytes of loadSixteenPixels) in doubles.
FOTRA_AVX512 __m128i exactGreys(__m512i pixels)
{
    const __m512i blue = channelDwords(pixels, 0);
    const __m512i green = channelDwords(pixels, 1);
    const __m512i red = channelDwords(pixels, 2);
    __m256i greys[2];
    for (int half = 0; half < 2; ++half) {
        greys[half] = byteRule(effects::luminanceLanes(doublesOfDwords(red, half), doublesOfDwords(green, half),
                                                       doublesOfDwords(blue, half)));
    }
    return packByteRule(greys[0], greys[1]);
}

// greyPixelsApart, 16 pixels at a time, mostly in integers. Yi = 30 R + 59 G
// + 11 B is 100 times the luminance in exact arithmetic, and the double Y
// that luminance() computes lies within 1e-12 of Yi / 100: the constants
// are within a relative 2^-53 of 0.3, 0.59 and 0.11, and each of the three
// products and two sums rounds by a relative 2^-53 of a value below 256.
// Where Yi is not a multiple of 100, Yi / 100 lies at least 0.01 from every
// integer, so Y truncates to Yi div 100, which lies in 0 to 254: that is the
// byte. Where Yi is a multiple of 100 other than 0, Y may lie just below
// the integer (neutral greys drop a level that way), so those pixels take
// the double evaluation of their block. Yi = 0 is black, whose products are
// all exactly 0.
// `source` may equal `target`: each block is read before it is written.
FOTRA_AVX512 void greyPixelsAvx512(const std::uint8_t* source, std::uint8_t* target, std::size_t pixels)
{
    constexpr __mmask64 kChannelBytes = 0x7777777777777777;
    // Per dword lane: blue x 11 + green x 59 in the low word, red x 30 in the high.
    const __m512i weights = _mm512_set1_epi32(0x001E3B0B);
    const __m512i ones = _mm512_set1_epi16(1);
    forEachBlock<16>(pixels, [&](std::size_t first, std::size_t count) FOTRA_AVX512 {
        const __m512i bytes = loadSixteenPixels(source + 3 * first, count);
        const __m512i pixelDwords = _mm512_maskz_permutexvar_epi8(kChannelBytes, loadTable(kPixelDwordIndices), bytes);
        const __m512i hundredfold = _mm512_madd_epi16(_mm512_maddubs_epi16(pixelDwords, weights), ones);
        // Yi div 100 = (Yi x 5243) >> 19 for every Yi below 43699 (Yi <= 25500
        // here); the high word of each lane is 0 and stays 0.
        const __m512i quotient = _mm512_srli_epi32(_mm512_mulhi_epu16(hundredfold, _mm512_set1_epi32(5243)), 3);
        const __m512i remainder = _mm512_sub_epi32(hundredfold, _mm512_mullo_epi16(quotient, _mm512_set1_epi32(100)));
        const __mmask16 multiples = _mm512_mask_cmpeq_epi32_mask(_mm512_test_epi32_mask(hundredfold, hundredfold),
                                                                remainder, _mm512_setzero_si512());
        __m128i greys = _mm512_cvtepi32_epi8(quotient);
        if (multiples != 0) {
            greys = _mm_mask_blend_epi8(multiples, greys, exactGreys(bytes));
        }
        storeSixteenPixelBytes(target + 3 * first,
                               _mm512_permutexvar_epi8(loadTable(kGreyCopyIndices), _mm512_castsi128_si512(greys)),
                               count);
    });
}

FOTRA_AVX512 void greyInPlaceAvx512(std::uint8_t* row, std::size_t pixels)
{
    greyPixelsAvx512(row, row, pixels);
}

#endif

// The grey kernels for this processor: from one plane into another, and in
// place.
struct GreyKernels {
    void (*apart)(const std::uint8_t*, std::uint8_t*, std::size_t);
    void (*inPlace)(std::uint8_t*, std::size_t);
};

GreyKernels greyKernels()
{
#if FOTRA_AVX512_KERNELS
    if (engine::avx512::avx512Kernels()) {
        return {greyPixelsAvx512, greyInPlaceAvx512};
    }
#endif
    return {greyPixelsApart, greyInPlace};
}

void greyToScratchRect(ImagePlanes& image, const PreviewRect& rect)
{
    const auto kernel = greyKernels().apart;
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    forEachRowSpan(image, rect, [=](std::size_t offset, std::size_t count) {
        kernel(current + offset, scratch + offset, count / 3);
    });
}

void greyResultRect(ImagePlanes& image, const PreviewRect& rect)
{
    const auto kernel = greyKernels().inPlace;
    std::uint8_t* result = image.result.data();
    forEachRowSpan(image, rect, [=](std::size_t offset, std::size_t count) {
        kernel(result + offset, count / 3);
    });
}

// Replacing a byte where the photo's is greater (smaller) is the maximum
// (minimum) of the two; bytes that stay are rewritten with their own value.
FOTRA_VECTOR_CLONES void lightenBytes(const std::uint8_t* __restrict current, std::uint8_t* __restrict scratch,
                                      std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        scratch[i] = std::max(scratch[i], current[i]);
    }
}

FOTRA_VECTOR_CLONES void darkenBytes(const std::uint8_t* __restrict current, std::uint8_t* __restrict scratch,
                                     std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        scratch[i] = std::min(scratch[i], current[i]);
    }
}

void lightenDarkenRect(ImagePlanes& image, bool lighten, const PreviewRect& rect)
{
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    const auto kernel = lighten ? lightenBytes : darkenBytes;
    forEachRowSpan(image, rect, [=](std::size_t offset, std::size_t count) {
        kernel(current + offset, scratch + offset, count);
    });
}

} // namespace

void fillScratch(ImagePlanes& image, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    fillRect(image, red, green, blue, wholeImage(image));
}

void fillScratchPreview(ImagePlanes& image, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                        const PreviewRect& region)
{
    fillRect(image, red, green, blue, region);
}

void invertToScratch(ImagePlanes& image)
{
    invertRect(image, wholeImage(image));
}

void invertToScratchPreview(ImagePlanes& image, const PreviewRect& region)
{
    invertRect(image, region);
}

void greyToScratch(ImagePlanes& image)
{
    greyToScratchRect(image, wholeImage(image));
}

void greyToScratchPreview(ImagePlanes& image, const PreviewRect& region)
{
    greyToScratchRect(image, region);
}

void greyResult(ImagePlanes& image)
{
    greyResultRect(image, wholeImage(image));
}

void greyResultPreview(ImagePlanes& image, const PreviewRect& region)
{
    greyResultRect(image, region);
}

void lightenDarkenScratch(ImagePlanes& image, bool lighten)
{
    lightenDarkenRect(image, lighten, wholeImage(image));
}

void lightenDarkenScratchPreview(ImagePlanes& image, bool lighten, const PreviewRect& region)
{
    lightenDarkenRect(image, lighten, region);
}

void meanColour(ImagePlanes& image)
{
    image.meanRed = 0.0;
    image.meanGreen = 0.0;
    image.meanBlue = 0.0;
    const std::uint64_t count = static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height);
    if (count == 0) {
        return;
    }
    // Integer sums: each worker sums its rows privately and the partial sums
    // are added after the loop. Integer addition is exact in any order, so the
    // totals (and the means) are the same for every thread count.
    const std::uint8_t* current = image.current.data();
    const std::size_t stride = image.stride();
    const std::int32_t width = image.width;
    std::uint64_t red = 0;
    std::uint64_t green = 0;
    std::uint64_t blue = 0;
#pragma omp parallel for schedule(static) reduction(+ : red, green, blue)
    for (std::int32_t row = 0; row < image.height; ++row) {
        const std::uint8_t* pixel = current + static_cast<std::size_t>(row) * stride;
        for (std::int32_t x = 0; x < width; ++x, pixel += 3) {
            blue += pixel[0];
            green += pixel[1];
            red += pixel[2];
        }
    }
    const double pixels = static_cast<double>(count);
    image.meanRed = static_cast<double>(red) / pixels;
    image.meanGreen = static_cast<double>(green) / pixels;
    image.meanBlue = static_cast<double>(blue) / pixels;
}
