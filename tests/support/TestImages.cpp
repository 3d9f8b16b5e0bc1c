#include "support/TestImages.h"

#include <cmath>
#include <sstream>

#include <omp.h>

namespace testsupport {

void fillRandom(std::vector<std::uint8_t>& plane, std::mt19937& rng)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& value : plane) {
        value = static_cast<std::uint8_t>(byte(rng));
    }
}

ImagePlanes randomImage(int width, int height, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    ImagePlanes image;
    image.allocatePlanes(width, height);
    fillRandom(image.current, rng);
    return image;
}

ImagePlanes noisyImage(int width, int height, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    ImagePlanes image;
    image.allocatePlanes(width, height);
    fillRandom(image.current, rng);
    fillRandom(image.result, rng);
    fillRandom(image.scratch, rng);
    fillRandom(image.resultBackup, rng);
    return image;
}

ImagePlanes photoLikeImage(int width, int height, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 6.0);
    ImagePlanes image;
    image.allocatePlanes(width, height);
    const std::size_t stride = image.stride();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double fx = static_cast<double>(x) / std::max(1, width - 1);
            const double fy = static_cast<double>(y) / std::max(1, height - 1);
            // Gradients, a bright disc and a dark bar give edges of both signs.
            const bool disc = std::hypot(fx - 0.6, fy - 0.4) < 0.2;
            const bool bar = fx > 0.2 && fx < 0.25;
            double base[3] = {60.0 + 120.0 * fy, 80.0 + 100.0 * fx, 40.0 + 90.0 * (fx + fy) / 2.0};
            for (int c = 0; c < 3; ++c) {
                double v = base[c] + noise(rng);
                if (disc) {
                    v += 90.0;
                }
                if (bar) {
                    v -= 70.0;
                }
                image.current[y * stride + 3 * x + c] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
            }
        }
    }
    return image;
}

::testing::AssertionResult planesEqual(const std::vector<std::uint8_t>& expected,
                                       const std::vector<std::uint8_t>& actual, int width)
{
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure()
               << "plane sizes differ: " << expected.size() << " vs " << actual.size();
    }
    const std::size_t stride = rowStride(width);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual[i]) {
            const std::size_t row = i / stride;
            const std::size_t offset = i % stride;
            std::ostringstream where;
            where << "row " << row;
            if (offset < 3 * static_cast<std::size_t>(width)) {
                where << ", column " << offset / 3 << ", channel " << offset % 3;
            } else {
                where << ", padding byte " << offset - 3 * static_cast<std::size_t>(width);
            }
            return ::testing::AssertionFailure()
                   << "first difference at " << where.str() << ": expected " << int(expected[i])
                   << ", got " << int(actual[i]);
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult imagesEqual(const ImagePlanes& expected, const ImagePlanes& actual)
{
    if (expected.width != actual.width || expected.height != actual.height) {
        return ::testing::AssertionFailure() << "image sizes differ";
    }
    const struct {
        const char* name;
        const std::vector<std::uint8_t>& a;
        const std::vector<std::uint8_t>& b;
    } planes[] = {{"current", expected.current, actual.current},
                  {"result", expected.result, actual.result},
                  {"scratch", expected.scratch, actual.scratch},
                  {"resultBackup", expected.resultBackup, actual.resultBackup}};
    for (const auto& plane : planes) {
        auto same = planesEqual(plane.a, plane.b, expected.width);
        if (!same) {
            return ::testing::AssertionFailure() << plane.name << ": " << same.message();
        }
    }
    if (expected.meanRed != actual.meanRed || expected.meanGreen != actual.meanGreen
        || expected.meanBlue != actual.meanBlue) {
        return ::testing::AssertionFailure() << "means differ";
    }
    return ::testing::AssertionSuccess();
}

ScopedThreadCount::ScopedThreadCount(int threads) : previous_(omp_get_max_threads())
{
    omp_set_num_threads(threads);
}

ScopedThreadCount::~ScopedThreadCount()
{
    omp_set_num_threads(previous_);
}

} // namespace testsupport
