// Helpers of the engine's differential tests: run an operation of the engine
// with every thread count and its naive reference once, from the same
// planes, and compare all four planes byte for byte; random rectangles and
// one-channel test photos.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/ImagePlanes.h"
#include "support/TestImages.h"

namespace enginetest {

template <typename Engine, typename Reference>
void expectMatchesReference(const ImagePlanes& input, Engine&& engineOperation, Reference&& referenceOperation,
                            const std::string& what)
{
    ImagePlanes expected = input;
    referenceOperation(expected);
    for (const int threads : testsupport::kThreadCounts) {
        testsupport::ScopedThreadCount scope(threads);
        ImagePlanes actual = input;
        engineOperation(actual);
        EXPECT_TRUE(testsupport::imagesEqual(expected, actual))
            << what << ", " << input.width << " x " << input.height << ", " << threads << " threads";
    }
}

// A non-empty rectangle inside the image.
inline PreviewRect randomRect(const ImagePlanes& image, std::mt19937& rng)
{
    const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    PreviewRect rect;
    rect.x0 = pick(0, image.width - 1);
    rect.y0 = pick(0, image.height - 1);
    rect.w = pick(1, image.width - rect.x0);
    rect.h = pick(1, image.height - rect.y0);
    return rect;
}

inline std::string describe(PreviewRect rect)
{
    return "rect " + std::to_string(rect.x0) + "," + std::to_string(rect.y0) + " " + std::to_string(rect.w) + " x " +
           std::to_string(rect.h);
}

// A photo whose three channels carry the same value; rows lists plane rows
// from row 0 up. The other planes follow the idle convention.
inline ImagePlanes greyPhoto(const std::vector<std::vector<int>>& rows)
{
    ImagePlanes image;
    image.allocatePlanes(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()));
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                image.current[y * image.stride() + 3 * x + c] = static_cast<std::uint8_t>(rows[y][x]);
            }
        }
    }
    return image;
}

// Sets channel c of every pixel of `current` to first + c x step.
inline void fillFlat(ImagePlanes& image, int first, int step)
{
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                image.current[y * image.stride() + 3 * x + c] = static_cast<std::uint8_t>(first + c * step);
            }
        }
    }
}

// Channel c of every pixel of a plane, as rows from row 0 up.
inline std::vector<std::vector<int>> channelRows(const ImagePlanes& image, const std::vector<std::uint8_t>& plane,
                                                 int c = 0)
{
    std::vector<std::vector<int>> rows(image.height, std::vector<int>(image.width));
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            rows[y][x] = plane[y * image.stride() + 3 * x + c];
        }
    }
    return rows;
}

// True when all three channels of every pixel of the plane are equal.
inline bool channelsAgree(const ImagePlanes& image, const std::vector<std::uint8_t>& plane)
{
    for (int c = 1; c < 3; ++c) {
        if (channelRows(image, plane, c) != channelRows(image, plane, 0)) {
            return false;
        }
    }
    return true;
}

} // namespace enginetest
