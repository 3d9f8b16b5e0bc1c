// Brightness- and colour-weighted composes. One pixel rule (composePixel)
// serves all four operations; they differ only in how the weight W is found,
// and each full form and its twin differ only in the rectangle they cover.
// `scratch` is cleared as a whole after the loop in every form.
#include "effects/WeightedCompose.h"

#include <cstddef>
#include <cstdint>
#include <optional>

#include "effects/EffectLoops.h"
#include "effects/OperandPlanes.h"

namespace {

using effects::forEachPixel;
using effects::wholeImage;

// The squared-distance budget of the colour range, 3 x 225^2.
constexpr double kColourRangeBudget = 151875.0;

// v = c x F - (o x s) x W with F = W x s + 1, evaluated in exactly this order
// (it fixes the last bit before truncation), stored by the byte rule.
void composePixel(const std::uint8_t* current, const std::uint8_t* operand, std::uint8_t* result,
                  double strength, double weight)
{
    const double factor = weight * strength + 1.0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const double c = current[channel];
        const double o = operand[channel];
        result[channel] = storeByte(c * factor - (o * strength) * weight);
    }
}

// The weight of a colour by its distance to the target, or nothing where the
// colour lies outside the range (D <= 0, exactly 0 included).
struct ColourRange {
    double precision;
    double targetRed;
    double targetGreen;
    double targetBlue;

    std::optional<double> weight(const std::uint8_t* pixel) const
    {
        const double dR = pixel[2] - targetRed;
        const double dG = pixel[1] - targetGreen;
        const double dB = pixel[0] - targetBlue;
        const double squared = (dR * dR + dG * dG) + dB * dB;
        const double budget = kColourRangeBudget - squared * precision;
        if (!(budget > 0.0)) {
            return std::nullopt;
        }
        return budget / kColourRangeBudget;
    }
};

// Runs the compose over rect with weightOf(currentPixel, scratchPixel)
// giving W or nothing (copy `current`), then clears all of `scratch`.
template <typename WeightOf>
void weightedCompose(ImagePlanes& image, double strength, const PreviewRect& rect, WeightOf weightOf)
{
    const std::uint8_t* current = image.current.data();
    const std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    forEachPixel(image, rect, [&](std::size_t offset) {
        const std::optional<double> weight = weightOf(current + offset, scratch + offset);
        if (weight) {
            composePixel(current + offset, scratch + offset, result + offset, strength, *weight);
        } else {
            result[offset] = current[offset];
            result[offset + 1] = current[offset + 1];
            result[offset + 2] = current[offset + 2];
        }
    });
    fillPlane(image.scratch, 0);
}

std::optional<double> brightWeight(const std::uint8_t* pixel, const std::uint8_t*)
{
    return luminance(pixel[2], pixel[1], pixel[0]) / 255.0;
}

std::optional<double> darkWeight(const std::uint8_t* pixel, const std::uint8_t*)
{
    return (255.0 - luminance(pixel[2], pixel[1], pixel[0])) / 255.0;
}

void colourRange(ImagePlanes& image, double strength, const ColourRange& range, const PreviewRect& rect)
{
    weightedCompose(image, strength, rect,
                    [&](const std::uint8_t* pixel, const std::uint8_t*) { return range.weight(pixel); });
}

void scratchColourRange(ImagePlanes& image, double strength, const ColourRange& range, const PreviewRect& rect)
{
    weightedCompose(image, strength, rect,
                    [&](const std::uint8_t*, const std::uint8_t* operand) { return range.weight(operand); });
}

} // namespace

void brightWeightedCompose(ImagePlanes& image, double strength)
{
    weightedCompose(image, strength, wholeImage(image), brightWeight);
}

void brightWeightedComposePreview(ImagePlanes& image, double strength, const PreviewRect& region)
{
    weightedCompose(image, strength, region, brightWeight);
}

void darkWeightedCompose(ImagePlanes& image, double strength)
{
    weightedCompose(image, strength, wholeImage(image), darkWeight);
}

void darkWeightedComposePreview(ImagePlanes& image, double strength, const PreviewRect& region)
{
    weightedCompose(image, strength, region, darkWeight);
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
