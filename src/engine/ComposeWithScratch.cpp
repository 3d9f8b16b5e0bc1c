// Compose with scratch: result = current x (s + 1) - scratch x s per channel
// byte, in doubles with both products formed first, stored by the byte rule;
// afterwards the whole scratch plane is cleared. Split by rows only.
#include "engine/ComposeWithScratch.h"

#include <cstddef>
#include <cstdint>

#include "engine/WholeImage.h"

using engine::wholeImage;

namespace {

// The pixel rule, for one run of channel bytes.
inline void composeBytes(const std::uint8_t* current, const std::uint8_t* scratch, std::uint8_t* result,
                         std::int32_t count, double strength)
{
    const double keep = strength + 1.0;
    for (std::int32_t j = 0; j < count; ++j) {
        // Both products first, then their difference.
        const double value = current[j] * keep - (scratch[j] * strength);
        result[j] = storeByte(value);
    }
}

void composeArea(ImagePlanes& image, PreviewRect area, double strength)
{
    const std::size_t stride = image.stride();
    const std::size_t firstByte = 3 * static_cast<std::size_t>(area.x0);
    const std::int32_t count = 3 * area.w;
    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        const std::size_t offset = row * stride + firstByte;
        composeBytes(image.current.data() + offset, image.scratch.data() + offset, image.result.data() + offset, count,
                     strength);
    });
    fillPlane(image.scratch, 0);
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
