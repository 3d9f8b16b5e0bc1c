// Operand builders without a neighbourhood, the in-place grey of `result` and
// the mean colour. Each full form and its twin share one pixel rule and differ
// only in the rectangle they cover.
#include "effects/OperandPlanes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "effects/EffectLoops.h"

namespace {

using effects::forEachPixel;
using effects::forEachRowSpan;
using effects::wholeImage;

std::uint8_t greyByte(const std::uint8_t* pixel)
{
    return storeByte(luminance(pixel[2], pixel[1], pixel[0]));
}

void fillRect(ImagePlanes& image, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
              const PreviewRect& rect)
{
    std::uint8_t* scratch = image.scratch.data();
    forEachPixel(image, rect, [&](std::size_t offset) {
        scratch[offset] = blue;
        scratch[offset + 1] = green;
        scratch[offset + 2] = red;
    });
}

void invertRect(ImagePlanes& image, const PreviewRect& rect)
{
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    forEachRowSpan(image, rect, [&](std::size_t offset, std::size_t count) {
        for (std::size_t i = offset; i < offset + count; ++i) {
            scratch[i] = static_cast<std::uint8_t>(255 - current[i]);
        }
    });
}

void greyToScratchRect(ImagePlanes& image, const PreviewRect& rect)
{
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    forEachPixel(image, rect, [&](std::size_t offset) {
        const std::uint8_t grey = greyByte(current + offset);
        scratch[offset] = grey;
        scratch[offset + 1] = grey;
        scratch[offset + 2] = grey;
    });
}

void greyResultRect(ImagePlanes& image, const PreviewRect& rect)
{
    std::uint8_t* result = image.result.data();
    forEachPixel(image, rect, [&](std::size_t offset) {
        const std::uint8_t grey = greyByte(result + offset);
        result[offset] = grey;
        result[offset + 1] = grey;
        result[offset + 2] = grey;
    });
}

// Replacing a byte where the photo's is greater (smaller) is the maximum
// (minimum) of the two; bytes that stay are rewritten with their own value.
void lightenDarkenRect(ImagePlanes& image, bool lighten, const PreviewRect& rect)
{
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    forEachRowSpan(image, rect, [&](std::size_t offset, std::size_t count) {
        if (lighten) {
            for (std::size_t i = offset; i < offset + count; ++i) {
                scratch[i] = std::max(scratch[i], current[i]);
            }
        } else {
            for (std::size_t i = offset; i < offset + count; ++i) {
                scratch[i] = std::min(scratch[i], current[i]);
            }
        }
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
