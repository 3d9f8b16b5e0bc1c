// Helpers of the tone and colour effect tests: the awkward image sizes, test
// photos whose every plane holds noise (so that a test sees what an operation
// writes, clears or leaves alone) and random preview rectangles.
#pragma once

#include <random>
#include <utility>
#include <vector>

#include "engine/ImagePlanes.h"
#include "engine/PlaneOps.h"
#include "reference/ReferenceEffects.h"
#include "support/TestImages.h"

namespace effectstest {

// One-pixel lines, odd widths (row padding of 1, 2 or 3 bytes), sizes below
// and above the largest window.
inline const std::vector<std::pair<int, int>>& awkwardSizes()
{
    static const std::vector<std::pair<int, int>> sizes = {
        {1, 1}, {1, 9}, {9, 1}, {2, 3}, {5, 4}, {7, 23}, {23, 6}, {31, 22}, {45, 33},
    };
    return sizes;
}

// Every plane random; on odd seeds `current` is a photo-like picture instead
// of pure noise, so that windows also see smooth areas with repeated values.
inline ImagePlanes testPhoto(int width, int height, std::uint32_t seed)
{
    ImagePlanes image = testsupport::noisyImage(width, height, seed);
    if (seed % 2 == 1) {
        image.current = testsupport::photoLikeImage(width, height, seed).current;
    }
    return image;
}

inline PreviewRect randomRect(const ImagePlanes& image, std::mt19937& rng)
{
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    PreviewRect rect;
    rect.x0 = pick(0, image.width - 1);
    rect.y0 = pick(0, image.height - 1);
    rect.w = pick(1, image.width - rect.x0);
    rect.h = pick(1, image.height - rect.y0);
    return rect;
}

inline reference::Rect toReference(const PreviewRect& rect)
{
    return reference::Rect{rect.x0, rect.y0, rect.w, rect.h};
}

// A strength over the range the modes pass: -1 to 5, with the ends and 0.
inline double randomStrength(std::mt19937& rng)
{
    static const double fixed[] = {-1.0, 0.0, 5.0, -0.01, 0.9};
    std::uniform_int_distribution<int> choice(0, 9);
    const int c = choice(rng);
    if (c < 5) {
        return fixed[c];
    }
    return std::uniform_int_distribution<int>(-100, 500)(rng) / 100.0;
}

} // namespace effectstest
