// The colour-match mask of the preview: pixels of `current` inside a box
// around the target turn white in `result`, the others are copied. Touches
// only the preview region of `result`.
#include "effects/WeightedCompose.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "effects/EffectLoops.h"

void colourMatchMaskPreview(ImagePlanes& image, const PreviewRect& region, const RealRgb& tolerance,
                            const RealRgb& target)
{
    const std::uint8_t* current = image.current.data();
    std::uint8_t* result = image.result.data();
    effects::forEachPixel(image, region, [&](std::size_t offset) {
        const std::uint8_t* pixel = current + offset;
        // Tested red, green, blue in that order, as reals.
        const bool inside = std::fabs(pixel[2] - target.red) <= tolerance.red
            && std::fabs(pixel[1] - target.green) <= tolerance.green
            && std::fabs(pixel[0] - target.blue) <= tolerance.blue;
        for (std::size_t channel = 0; channel < 3; ++channel) {
            result[offset + channel] = inside ? 255 : pixel[channel];
        }
    });
}
