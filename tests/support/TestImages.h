// Shared test helpers: synthetic photos, random planes (padding included),
// exact plane comparison and a scoped OpenMP thread count.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/ImagePlanes.h"

namespace testsupport {

// Every byte of the plane, row padding included, drawn from rng.
void fillRandom(std::vector<std::uint8_t>& plane, std::mt19937& rng);

// A width x height record with random `current` and the idle plane
// convention elsewhere (scratch and resultBackup 0, result 255).
ImagePlanes randomImage(int width, int height, std::uint32_t seed);

// Like randomImage, but every plane is random, so that a test sees what an
// operation writes, clears or leaves alone.
ImagePlanes noisyImage(int width, int height, std::uint32_t seed);

// A photo-like image: smooth gradients, noise and hard edges.
ImagePlanes photoLikeImage(int width, int height, std::uint32_t seed);

// Byte-for-byte equality of two planes; on failure names the first
// differing byte by row, column and channel (or padding).
::testing::AssertionResult planesEqual(const std::vector<std::uint8_t>& expected,
                                       const std::vector<std::uint8_t>& actual, int width);

// All four planes and the three means equal.
::testing::AssertionResult imagesEqual(const ImagePlanes& expected, const ImagePlanes& actual);

// Sets the OpenMP thread count for its lifetime.
class ScopedThreadCount {
public:
    explicit ScopedThreadCount(int threads);
    ~ScopedThreadCount();
    ScopedThreadCount(const ScopedThreadCount&) = delete;
    ScopedThreadCount& operator=(const ScopedThreadCount&) = delete;

private:
    int previous_;
};

// The thread counts every differential test runs with.
inline constexpr int kThreadCounts[] = {1, 2, 3};

} // namespace testsupport
