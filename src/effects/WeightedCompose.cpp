// Brightness- and colour-weighted composes. One pixel rule (composePixel)
// serves all four operations; they differ only in how the weight W is found,
// and each full form and its twin differ only in the rectangle they cover.
// Each row runs through one loop compiled for every target, with the
// pixels as independent lanes. `scratch` is cleared as a whole after the loop
// in every form (row by row while in cache over the whole image).
#include "effects/WeightedCompose.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "effects/EffectLoops.h"
#include "effects/OperandPlanes.h"
#include "engine/KernelTargets.h"

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
    RealRgb target;
};

inline double rangeBudget(const ColourRange& range, const std::uint8_t* pixel)
{
    const double dR = pixel[2] - range.target.red;
    const double dG = pixel[1] - range.target.green;
    const double dB = pixel[0] - range.target.blue;
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

// The row kernel, one per weighting, compiled for every target.
FOTRA_KERNEL(brightRow, composeRow<Weighting::Bright>)
FOTRA_KERNEL(darkRow, composeRow<Weighting::Dark>)
FOTRA_KERNEL(currentRangeRow, composeRow<Weighting::CurrentInRange>)
FOTRA_KERNEL(scratchRangeRow, composeRow<Weighting::ScratchInRange>)

template <Weighting weighting>
void composeRowOnTarget(const std::uint8_t* current, const std::uint8_t* scratch, std::uint8_t* result,
                        std::int32_t pixels, double strength, const ColourRange& range)
{
    if constexpr (weighting == Weighting::Bright) {
        brightRow(current, scratch, result, pixels, strength, range);
    } else if constexpr (weighting == Weighting::Dark) {
        darkRow(current, scratch, result, pixels, strength, range);
    } else if constexpr (weighting == Weighting::CurrentInRange) {
        currentRangeRow(current, scratch, result, pixels, strength, range);
    } else {
        scratchRangeRow(current, scratch, result, pixels, strength, range);
    }
}

// Runs the row kernel of the weighting over rect and clears the bytes of
// `scratch` it read (the whole plane over the whole image).
template <Weighting weighting>
void weightedCompose(ImagePlanes& image, double strength, const PreviewRect& rect, const ColourRange& range = {})
{
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    const bool wholeImage = isWholeImage(rect, image);
    parallelRows(rect.y0, rect.y0 + rect.h - 1, [=, &range](std::int32_t row) {
        const std::size_t rowStart = static_cast<std::size_t>(row) * stride;
        const std::size_t offset = rowStart + 3 * static_cast<std::size_t>(rect.x0);
        composeRowOnTarget<weighting>(current + offset, scratch + offset, result + offset, rect.w, strength, range);
        clearScratchRow(scratch, rowStart, offset, 3 * static_cast<std::size_t>(rect.w), stride, wholeImage);
    });
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

void brightWeightedComposePreview(ImagePlanes& image, const PreviewRect& region, double strength)
{
    weightedCompose<Weighting::Bright>(image, strength, region);
}

void darkWeightedCompose(ImagePlanes& image, double strength)
{
    weightedCompose<Weighting::Dark>(image, strength, wholeImage(image));
}

void darkWeightedComposePreview(ImagePlanes& image, const PreviewRect& region, double strength)
{
    weightedCompose<Weighting::Dark>(image, strength, region);
}

void colourRangeCompose(ImagePlanes& image, double strength, double precision, const RealRgb& target)
{
    colourRange(image, strength, {precision, target}, wholeImage(image));
}

void colourRangeComposePreview(ImagePlanes& image, const PreviewRect& region, double strength, double precision,
                               const RealRgb& target)
{
    colourRange(image, strength, {precision, target}, region);
}

void scratchColourRangeCompose(ImagePlanes& image, double strength, double precision, const RealRgb& target)
{
    scratchColourRange(image, strength, {precision, target}, wholeImage(image));
}

void scratchColourRangeComposePreview(ImagePlanes& image, const PreviewRect& region, double strength,
                                      double precision, const RealRgb& target)
{
    scratchColourRange(image, strength, {precision, target}, region);
}
