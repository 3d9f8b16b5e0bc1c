// Compose with scratch: result = current x (s + 1) - scratch x s per channel
// byte, in doubles with both products formed first, stored by the byte rule;
// the bytes of scratch it read are cleared (the whole plane over the whole
// image). Split by rows only; the
// bytes of a row are independent lanes of one vector loop.
#include "engine/ComposeWithScratch.h"

#include <cstddef>
#include <cstdint>

#include "engine/KernelTargets.h"
#include "engine/WholeImage.h"

using engine::wholeImage;

namespace {

// The pixel rule, for one run of channel bytes.
[[gnu::always_inline]] inline void composeRun(const std::uint8_t* __restrict current,
                                              const std::uint8_t* __restrict scratch, std::uint8_t* __restrict result,
                                              std::size_t count, double strength)
{
    const double keep = strength + 1.0;
    for (std::size_t j = 0; j < count; ++j) {
        // Both products first, then their difference.
        const double value = current[j] * keep - (scratch[j] * strength);
        result[j] = storeByte(value);
    }
}

FOTRA_KERNEL(composeBytes, composeRun)

void composeArea(ImagePlanes& image, PreviewRect area, double strength)
{
    const std::size_t stride = image.stride();
    const std::size_t firstByte = 3 * static_cast<std::size_t>(area.x0);
    const std::size_t count = 3 * static_cast<std::size_t>(area.w > 0 ? area.w : 0);
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    const bool wholeImage = isWholeImage(area, image);
    parallelRows(area.y0, area.y0 + area.h - 1, [=](std::int32_t row) {
        const std::size_t rowStart = row * stride;
        const std::size_t offset = rowStart + firstByte;
        composeBytes(current + offset, scratch + offset, result + offset, count, strength);
        clearScratchRow(scratch, rowStart, offset, count, stride, wholeImage);
    });
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
