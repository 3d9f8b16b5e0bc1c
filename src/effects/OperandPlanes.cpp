// Operand builders without a neighbourhood, the in-place grey of `result` and
// the mean colour. Each full form and its twin share one pixel rule and differ
// only in the rectangle they cover. Every row runs through a kernel compiled
// for every target, with its pixels (or bytes) as independent lanes.
#include "effects/OperandPlanes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/EffectLoops.h"
#include "engine/KernelTargets.h"

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

[[gnu::always_inline]] inline void invertBytesLoop(const std::uint8_t* __restrict current, std::uint8_t* __restrict scratch,
                                     std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        scratch[i] = static_cast<std::uint8_t>(255 - current[i]);
    }
}

FOTRA_KERNEL(invertBytes, invertBytesLoop)

void invertRect(ImagePlanes& image, const PreviewRect& rect)
{
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    forEachRowSpan(image, rect, [=](std::size_t offset, std::size_t count) {
        invertBytes(current + offset, scratch + offset, count);
    });
}

// Each pixel of a row of `result` becomes the grey of itself.
[[gnu::always_inline]] inline void greyInPlaceLoop(std::uint8_t* row, std::size_t pixels)
{
    for (std::size_t x = 0; x < pixels; ++x) {
        const std::uint8_t grey = greyByte(row + 3 * x);
        row[3 * x] = grey;
        row[3 * x + 1] = grey;
        row[3 * x + 2] = grey;
    }
}

FOTRA_KERNEL(greyInPlace, greyInPlaceLoop)

// The grey of each pixel of `source` into all three channels of `target`.
[[gnu::always_inline]] inline void greyPixelsApartLoop(const std::uint8_t* __restrict source, std::uint8_t* __restrict target,
                                         std::size_t pixels)
{
    for (std::size_t x = 0; x < pixels; ++x) {
        const std::uint8_t grey = greyByte(source + 3 * x);
        target[3 * x] = grey;
        target[3 * x + 1] = grey;
        target[3 * x + 2] = grey;
    }
}

FOTRA_KERNEL(greyPixelsApart, greyPixelsApartLoop)

void greyToScratchRect(ImagePlanes& image, const PreviewRect& rect)
{
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    forEachRowSpan(image, rect, [=](std::size_t offset, std::size_t count) {
        greyPixelsApart(current + offset, scratch + offset, count / 3);
    });
}

void greyResultRect(ImagePlanes& image, const PreviewRect& rect)
{
    std::uint8_t* result = image.result.data();
    forEachRowSpan(image, rect, [=](std::size_t offset, std::size_t count) {
        greyInPlace(result + offset, count / 3);
    });
}

// Replacing a byte where the photo's is greater (smaller) is the maximum
// (minimum) of the two; bytes that stay are rewritten with their own value.
[[gnu::always_inline]] inline void lightenBytesLoop(const std::uint8_t* __restrict current, std::uint8_t* __restrict scratch,
                                      std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        scratch[i] = std::max(scratch[i], current[i]);
    }
}

FOTRA_KERNEL(lightenBytes, lightenBytesLoop)

[[gnu::always_inline]] inline void darkenBytesLoop(const std::uint8_t* __restrict current, std::uint8_t* __restrict scratch,
                                     std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        scratch[i] = std::min(scratch[i], current[i]);
    }
}

FOTRA_KERNEL(darkenBytes, darkenBytesLoop)

void lightenDarkenRect(ImagePlanes& image, bool lighten, const PreviewRect& rect)
{
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    forEachRowSpan(image, rect, [=](std::size_t offset, std::size_t count) {
        if (lighten) {
            lightenBytes(current + offset, scratch + offset, count);
        } else {
            darkenBytes(current + offset, scratch + offset, count);
        }
    });
}

} // namespace

void fillScratch(ImagePlanes& image, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    fillRect(image, red, green, blue, wholeImage(image));
}

void fillScratchPreview(ImagePlanes& image, const PreviewRect& region, std::uint8_t red, std::uint8_t green,
                        std::uint8_t blue)
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

void lightenDarkenScratchPreview(ImagePlanes& image, const PreviewRect& region, bool lighten)
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
