// Brightness- and colour-weighted composes. One pixel rule (composePixel)
// serves all four operations; they differ only in how the weight W is found,
// and each full form and its twin differ only in the rectangle they cover.
// Each row runs through a hand-written AVX-512 kernel where the processor
// has it, else through one compiled for AVX2 and the baseline; pixels are
// independent lanes in both. `scratch` is cleared as a whole after the loop
// in every form (row by row while in cache over the whole image).
#include "effects/WeightedCompose.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "effects/EffectLoops.h"
#include "effects/LuminanceLanes.h"
#include "effects/OperandPlanes.h"
#include "engine/Avx512Lanes.h"
#include "engine/ParallelPlanes.h"
#include "engine/VectorClones.h"

namespace {

using effects::wholeImage;

// The squared-distance budget of the colour range, 3 x 225^2.
constexpr double kColourRangeBudget = 151875.0;

// v = c x F - (o x s) x W with F = W x s + 1, evaluated in exactly this order
// (it fixes the last bit before truncation), stored by the byte rule. Where
// `inside` is false the pixel is a copy of `current` instead.
inline void composePixel(const std::uint8_t* current, const std::uint8_t* operand, std::uint8_t* result,
                         double strength, double weight, bool inside)
{
    const double factor = weight * strength + 1.0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const double c = current[channel];
        const double o = operand[channel];
        // Formed for every pixel and chosen by a mask, so that the loop
        // needs no branch.
        const std::uint8_t composed = storeByte(c * factor - (o * strength) * weight);
        const std::uint8_t keep = static_cast<std::uint8_t>(-static_cast<int>(inside));
        result[channel] = static_cast<std::uint8_t>((composed & keep) | (current[channel] & ~keep));
    }
}

inline double brightWeight(const std::uint8_t* pixel)
{
    return luminance(pixel[2], pixel[1], pixel[0]) / 255.0;
}

inline double darkWeight(const std::uint8_t* pixel)
{
    return (255.0 - luminance(pixel[2], pixel[1], pixel[0])) / 255.0;
}

// The colour range: D = budget - d2 x precision of a colour's squared
// distance d2 to the target; the colour lies inside where D > 0 (so not at
// exactly 0) and then weighs D / budget.
struct ColourRange {
    double precision;
    double targetRed;
    double targetGreen;
    double targetBlue;
};

inline double rangeBudget(const ColourRange& range, const std::uint8_t* pixel)
{
    const double dR = pixel[2] - range.targetRed;
    const double dG = pixel[1] - range.targetGreen;
    const double dB = pixel[0] - range.targetBlue;
    const double squared = (dR * dR + dG * dG) + dB * dB;
    return kColourRangeBudget - squared * range.precision;
}

// The row kernels: `pixels` pixels from the given starts.
enum class Weighting { Bright, Dark, CurrentInRange, ScratchInRange };

template <Weighting weighting>
[[gnu::always_inline]] inline void composeRow(const std::uint8_t* __restrict current,
                                              const std::uint8_t* __restrict scratch, std::uint8_t* __restrict result,
                                              std::int32_t pixels, double strength, const ColourRange& rangeRef)
{
    // A copy held in registers: stores of bytes could otherwise alias it.
    const ColourRange range = rangeRef;
    for (std::int32_t x = 0; x < pixels; ++x) {
        const std::uint8_t* c = current + 3 * x;
        const std::uint8_t* o = scratch + 3 * x;
        if constexpr (weighting == Weighting::Bright) {
            composePixel(c, o, result + 3 * x, strength, brightWeight(c), true);
        } else if constexpr (weighting == Weighting::Dark) {
            composePixel(c, o, result + 3 * x, strength, darkWeight(c), true);
        } else {
            const double budget = rangeBudget(range, weighting == Weighting::CurrentInRange ? c : o);
            composePixel(c, o, result + 3 * x, strength, budget / kColourRangeBudget, budget > 0.0);
        }
    }
}

// Multiversioned functions cannot be templates: one per weighting.
using RowKernel = void (*)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, std::int32_t, double,
                           const ColourRange&);

FOTRA_WIDE_VECTOR_CLONES void brightRow(const std::uint8_t* current, const std::uint8_t* scratch, std::uint8_t* result,
                                   std::int32_t pixels, double strength, const ColourRange& range)
{
    composeRow<Weighting::Bright>(current, scratch, result, pixels, strength, range);
}

FOTRA_WIDE_VECTOR_CLONES void darkRow(const std::uint8_t* current, const std::uint8_t* scratch, std::uint8_t* result,
                                 std::int32_t pixels, double strength, const ColourRange& range)
{
    composeRow<Weighting::Dark>(current, scratch, result, pixels, strength, range);
}

FOTRA_WIDE_VECTOR_CLONES void currentRangeRow(const std::uint8_t* current, const std::uint8_t* scratch,
                                         std::uint8_t* result, std::int32_t pixels, double strength,
                                         const ColourRange& range)
{
    composeRow<Weighting::CurrentInRange>(current, scratch, result, pixels, strength, range);
}

FOTRA_WIDE_VECTOR_CLONES void scratchRangeRow(const std::uint8_t* current, const std::uint8_t* scratch,
                                         std::uint8_t* result, std::int32_t pixels, double strength,
                                         const ColourRange& range)
{
    composeRow<Weighting::ScratchInRange>(current, scratch, result, pixels, strength, range);
}

#if FOTRA_AVX512_KERNELS

using engine::avx512::channelDwords;
using engine::avx512::doublesOfDwords;
using engine::avx512::forEachBlock;
using engine::avx512::loadSixteenPixels;
using engine::avx512::saturatedPixels;
using engine::avx512::storeSixteenPixelBytes;

// The colour range, one copy per lane; the targets also as dwords for
// wholeSquaredDistances.
struct RangeLanes {
    __m512d precision;
    __m512d targetRed;
    __m512d targetGreen;
    __m512d targetBlue;
    __m512i wholeTargets[3]; // blue, green, red
};

// Eight pixels as doubles, one vector per channel.
struct EightPixels {
    __m512d blue;
    __m512d green;
    __m512d red;
};

// Whether wholeSquaredDistances may stand in for squaredDistances.
bool wholeTargets(const ColourRange& range)
{
    for (const double target : {range.targetRed, range.targetGreen, range.targetBlue}) {
        if (!(target >= 0.0 && target <= 255.0 && target == std::floor(target))) {
            return false;
        }
    }
    return true;
}

// A target as dword lanes where wholeTargets holds (else unused).
template <bool whole>
FOTRA_AVX512 inline __m512i wholeTarget(double target)
{
    return _mm512_set1_epi32(whole ? static_cast<std::int32_t>(target) : 0);
}

// rangeBudget's squared distance d2 of eight pixels.
FOTRA_AVX512 inline __m512d squaredDistances(const EightPixels& pixels, const RangeLanes& range)
{
    const __m512d dR = _mm512_sub_pd(pixels.red, range.targetRed);
    const __m512d dG = _mm512_sub_pd(pixels.green, range.targetGreen);
    const __m512d dB = _mm512_sub_pd(pixels.blue, range.targetBlue);
    return _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(dR, dR), _mm512_mul_pd(dG, dG)), _mm512_mul_pd(dB, dB));
}

// The same d2 of 16 pixels (channels as dword lanes) in integers, for
// targets that are whole numbers from 0 to 255: each difference, square and
// sum is then an integer below 2^18, which the doubles hold exactly too.
FOTRA_AVX512 inline __m512i wholeSquaredDistances(const __m512i (&channels)[3], const RangeLanes& range)
{
    __m512i squares[3];
    for (int channel = 0; channel < 3; ++channel) {
        const __m512i difference = _mm512_sub_epi32(channels[channel], range.wholeTargets[channel]);
        squares[channel] = _mm512_mullo_epi32(difference, difference);
    }
    return _mm512_add_epi32(_mm512_add_epi32(squares[2], squares[1]), squares[0]);
}

// W of eight pixels as brightWeight and darkWeight find it.
template <Weighting weighting>
FOTRA_AVX512 inline __m512d brightnessWeight(const EightPixels& current)
{
    const __m512d white = _mm512_set1_pd(255.0);
    const __m512d luminance = effects::luminanceLanes(current.red, current.green, current.blue);
    return _mm512_div_pd(weighting == Weighting::Bright ? luminance : _mm512_sub_pd(white, luminance), white);
}

// W of eight pixels at squared distances d2 as rangeBudget finds it;
// `inside` gets the lanes inside the range.
FOTRA_AVX512 inline __m512d rangeWeight(__m512d squared, const RangeLanes& range, __mmask8& inside)
{
    const __m512d budgetLanes = _mm512_set1_pd(kColourRangeBudget);
    const __m512d budget = _mm512_sub_pd(budgetLanes, _mm512_mul_pd(squared, range.precision));
    inside = _mm512_cmp_pd_mask(budget, _mm512_setzero_pd(), _CMP_GT_OQ);
    return _mm512_div_pd(budget, budgetLanes);
}

// Strengths up to this size keep every composed value finite and far
// inside the range of a 32-bit integer: W lies in [0, 1] (up to a rounding
// of the luminance; a pixel outside a colour range carries its `current`
// byte instead), so |v| <= 255 x (2 |s| + 1) x (1 + 2^-40) < 2^30. A colour
// range's W stays at most 1 only for a precision that is not negative.
constexpr double kModerateStrength = 1048576.0;

bool moderateArguments(double strength, const ColourRange& range)
{
    return std::abs(strength) <= kModerateStrength && !(range.precision < 0.0);
}

// composePixel's channel rule on one channel of eight pixels, truncated to
// dword lanes: the byte rule but for the clamps, which byteRuleOfSixteen
// completes. Lanes outside `inside` carry `current`. With a moderate
// strength the maximum with 0 waits for the integers; otherwise it comes
// first, mapping NaN to 0.
template <bool moderate>
FOTRA_AVX512 inline __m256i truncatedEight(__m512d current, __m512d scratch, __m512d factor, __m512d strength,
                                           __m512d weight, __mmask8 inside)
{
    const __m512d composed =
        _mm512_sub_pd(_mm512_mul_pd(current, factor), _mm512_mul_pd(_mm512_mul_pd(scratch, strength), weight));
    const __m512d value = _mm512_mask_mov_pd(current, inside, composed);
    return _mm512_cvttpd_epi32(moderate ? value : _mm512_max_pd(value, _mm512_setzero_pd()));
}

// Two results of truncatedEight as dwords from 0 to 2^31 - 1 that saturate to
// the byte rule's bytes: moderate values only need the negatives at 0; the
// others are already at least 0 or 0x80000000 (2^31 and above), which the
// unsigned minimum with 255 takes to 255.
template <bool moderate>
FOTRA_AVX512 inline __m512i byteRuleOfSixteen(__m256i low, __m256i high)
{
    const __m512i truncated = engine::avx512::joinHalves(low, high);
    return moderate ? _mm512_max_epi32(truncated, _mm512_setzero_si512())
                    : _mm512_min_epu32(truncated, _mm512_set1_epi32(255));
}

// composeRow on 16 pixels at a time; see kModerateStrength and
// wholeSquaredDistances for the two flags.
template <Weighting weighting, bool moderate, bool whole>
FOTRA_AVX512 void composeRowAvx512(const std::uint8_t* current, const std::uint8_t* scratch, std::uint8_t* result,
                                   std::int32_t pixels, double strength, const ColourRange& range)
{
    constexpr bool ranged = weighting == Weighting::CurrentInRange || weighting == Weighting::ScratchInRange;
    const __m512d s = _mm512_set1_pd(strength);
    const RangeLanes lanes{_mm512_set1_pd(range.precision),
                           _mm512_set1_pd(range.targetRed),
                           _mm512_set1_pd(range.targetGreen),
                           _mm512_set1_pd(range.targetBlue),
                           {wholeTarget<whole>(range.targetBlue), wholeTarget<whole>(range.targetGreen),
                            wholeTarget<whole>(range.targetRed)}};
    const std::size_t total = static_cast<std::size_t>(std::max(pixels, 0));
    forEachBlock<16>(total, [&](std::size_t first, std::size_t count) FOTRA_AVX512 {
        const __m512i currentPixels = loadSixteenPixels(current + 3 * first, count);
        const __m512i scratchPixels = loadSixteenPixels(scratch + 3 * first, count);
        __m512i currentChannels[3];
        __m512i scratchChannels[3];
        for (int channel = 0; channel < 3; ++channel) {
            currentChannels[channel] = channelDwords(currentPixels, channel);
            scratchChannels[channel] = channelDwords(scratchPixels, channel);
        }
        __m512i wholeSquared = _mm512_setzero_si512();
        if constexpr (ranged && whole) {
            wholeSquared = wholeSquaredDistances(
                weighting == Weighting::CurrentInRange ? currentChannels : scratchChannels, lanes);
        }
        EightPixels c[2];
        EightPixels o[2];
        __m512d weight[2];
        __mmask8 inside[2] = {0xFF, 0xFF};
        for (int half = 0; half < 2; ++half) {
            c[half] = {doublesOfDwords(currentChannels[0], half), doublesOfDwords(currentChannels[1], half),
                       doublesOfDwords(currentChannels[2], half)};
            o[half] = {doublesOfDwords(scratchChannels[0], half), doublesOfDwords(scratchChannels[1], half),
                       doublesOfDwords(scratchChannels[2], half)};
            if constexpr (ranged) {
                const __m512d squared =
                    whole ? doublesOfDwords(wholeSquared, half)
                          : squaredDistances(weighting == Weighting::CurrentInRange ? c[half] : o[half], lanes);
                weight[half] = rangeWeight(squared, lanes, inside[half]);
            } else {
                weight[half] = brightnessWeight<weighting>(c[half]);
            }
        }
        if ((inside[0] | inside[1]) == 0) {
            // All 16 pixels lie outside the colour range: a copy of `current`.
            storeSixteenPixelBytes(result + 3 * first, currentPixels, count);
            return;
        }
        __m256i truncated[3][2];
        for (int half = 0; half < 2; ++half) {
            const __m512d factor = _mm512_add_pd(_mm512_mul_pd(weight[half], s), _mm512_set1_pd(1.0));
            const __m512d w = weight[half];
            truncated[0][half] = truncatedEight<moderate>(c[half].blue, o[half].blue, factor, s, w, inside[half]);
            truncated[1][half] = truncatedEight<moderate>(c[half].green, o[half].green, factor, s, w, inside[half]);
            truncated[2][half] = truncatedEight<moderate>(c[half].red, o[half].red, factor, s, w, inside[half]);
        }
        const __m512i bytes = saturatedPixels(byteRuleOfSixteen<moderate>(truncated[0][0], truncated[0][1]),
                                              byteRuleOfSixteen<moderate>(truncated[1][0], truncated[1][1]),
                                              byteRuleOfSixteen<moderate>(truncated[2][0], truncated[2][1]));
        storeSixteenPixelBytes(result + 3 * first, bytes, count);
    });
}

#endif

// The row kernel of a weighting for this processor.
template <Weighting weighting>
RowKernel rowKernel([[maybe_unused]] double strength, [[maybe_unused]] const ColourRange& range)
{
#if FOTRA_AVX512_KERNELS
    if (engine::avx512::avx512Kernels()) {
        const bool moderate = moderateArguments(strength, range);
        if constexpr (weighting == Weighting::CurrentInRange || weighting == Weighting::ScratchInRange) {
            if (wholeTargets(range)) {
                return moderate ? composeRowAvx512<weighting, true, true> : composeRowAvx512<weighting, false, true>;
            }
        }
        return moderate ? composeRowAvx512<weighting, true, false> : composeRowAvx512<weighting, false, false>;
    }
#endif
    if constexpr (weighting == Weighting::Bright) {
        return brightRow;
    } else if constexpr (weighting == Weighting::Dark) {
        return darkRow;
    } else if constexpr (weighting == Weighting::CurrentInRange) {
        return currentRangeRow;
    } else {
        return scratchRangeRow;
    }
}

// Runs the row kernel of the weighting over rect, then clears all of `scratch`.
template <Weighting weighting>
void weightedCompose(ImagePlanes& image, double strength, const PreviewRect& rect, const ColourRange& range = {})
{
    const RowKernel kernel = rowKernel<weighting>(strength, range);
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    const bool wholeRows = rect.x0 == 0 && rect.w == image.width && rect.y0 == 0 && rect.h == image.height;
    parallelRows(rect.y0, rect.y0 + rect.h - 1, [=, &range](std::int32_t row) {
        const std::size_t rowStart = static_cast<std::size_t>(row) * stride;
        const std::size_t offset = rowStart + 3 * static_cast<std::size_t>(rect.x0);
        kernel(current + offset, scratch + offset, result + offset, rect.w, strength, range);
        if (wholeRows) {
            std::memset(scratch + rowStart, 0, stride);
        }
    });
    if (!wholeRows) {
        engine::fillPlaneShared(image.scratch, 0);
    }
}

void colourRange(ImagePlanes& image, double strength, const ColourRange& range, const PreviewRect& rect)
{
    weightedCompose<Weighting::CurrentInRange>(image, strength, rect, range);
}

void scratchColourRange(ImagePlanes& image, double strength, const ColourRange& range, const PreviewRect& rect)
{
    weightedCompose<Weighting::ScratchInRange>(image, strength, rect, range);
}

} // namespace

void brightWeightedCompose(ImagePlanes& image, double strength)
{
    weightedCompose<Weighting::Bright>(image, strength, wholeImage(image));
}

void brightWeightedComposePreview(ImagePlanes& image, double strength, const PreviewRect& region)
{
    weightedCompose<Weighting::Bright>(image, strength, region);
}

void darkWeightedCompose(ImagePlanes& image, double strength)
{
    weightedCompose<Weighting::Dark>(image, strength, wholeImage(image));
}

void darkWeightedComposePreview(ImagePlanes& image, double strength, const PreviewRect& region)
{
    weightedCompose<Weighting::Dark>(image, strength, region);
}

void colourRangeCompose(ImagePlanes& image, double strength, double precision, double targetRed,
                        double targetGreen, double targetBlue)
{
    colourRange(image, strength, {precision, targetRed, targetGreen, targetBlue}, wholeImage(image));
}

void colourRangeComposePreview(ImagePlanes& image, double strength, double precision, double targetRed,
                               double targetGreen, double targetBlue, const PreviewRect& region)
{
    colourRange(image, strength, {precision, targetRed, targetGreen, targetBlue}, region);
}

void scratchColourRangeCompose(ImagePlanes& image, double strength, double precision, double targetRed,
                               double targetGreen, double targetBlue)
{
    scratchColourRange(image, strength, {precision, targetRed, targetGreen, targetBlue}, wholeImage(image));
}

void scratchColourRangeComposePreview(ImagePlanes& image, double strength, double precision,
                                      double targetRed, double targetGreen, double targetBlue,
                                      const PreviewRect& region)
{
    scratchColourRange(image, strength, {precision, targetRed, targetGreen, targetBlue}, region);
}
