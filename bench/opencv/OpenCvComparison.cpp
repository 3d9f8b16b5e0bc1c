// Each operation of the speed table next to its yardstick, timed in the same
// run of the same process on a 24-megapixel photo-like image: OpenCV's
// nearest filter with 2 threads, or for the pointwise stages the memory
// floor (bytes read and written over the bandwidth of memcpy on the same
// workers). Ours and the yardstick run alternately, ours each time from a
// fresh copy of the photo; the fastest of the repetitions counts for each,
// which keeps other load on the machine out. bench/process/ compares whole
// fotra processes.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <omp.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "effects/LuminanceRankFilter.h"
#include "effects/MedianFilters.h"
#include "effects/OperandPlanes.h"
#include "effects/WeightedCompose.h"
#include "engine/BrightDarkSharpen.h"
#include "engine/ComposeWithScratch.h"
#include "engine/GaussianBlur.h"
#include "engine/TriangleBlur.h"
#include "engine/UnsharpMask.h"
#include "support/TestImages.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

ImagePlanes& photo()
{
    static ImagePlanes image = testsupport::photoLikeImage(kWidth, kHeight, 1);
    return image;
}

const ImagePlanes& pristinePhoto()
{
    static const ImagePlanes image = photo();
    return image;
}

cv::Mat currentMat(ImagePlanes& image)
{
    return cv::Mat(image.height, image.width, CV_8UC3, image.current.data(), image.stride());
}

using Step = std::function<void()>;

double secondsOf(const Step& step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Bandwidth of memcpy in bytes read plus written per second, one plane split
// over the OpenMP workers as the pointwise stages split theirs.
double memcpySeconds(ImagePlanes& image)
{
    const std::size_t bytes = image.planeBytes();
    const std::uint8_t* source = image.current.data();
    std::uint8_t* target = image.resultBackup.data();
    return secondsOf([&] {
#pragma omp parallel
        {
            const std::size_t workers = static_cast<std::size_t>(omp_get_num_threads());
            const std::size_t worker = static_cast<std::size_t>(omp_get_thread_num());
            const std::size_t first = bytes * worker / workers;
            const std::size_t last = bytes * (worker + 1) / workers;
            std::memcpy(target + first, source + first, last - first);
        }
    });
}

struct Row {
    Step prepare;  // untimed set-up before each run of ours
    Step ours;
    Step yardstick; // OpenCV, or empty for a memory-floor row
    double planesMoved = 0.0; // pointwise rows: planes read plus planes written
    double target = 0.0;      // the ratio ours / yardstick must not exceed
};

void compare(benchmark::State& state, const Row& row)
{
    cv::setNumThreads(2);
    double ours = std::numeric_limits<double>::infinity();
    double theirs = std::numeric_limits<double>::infinity();
    for (auto _ : state) {
        // Ours starts from the photo as made, not from the output of the
        // last run, which would let it skip writes a real run makes.
        photo() = pristinePhoto();
        if (row.prepare) {
            row.prepare();
        }
        ours = std::min(ours, secondsOf(row.ours));
        if (row.yardstick) {
            theirs = std::min(theirs, secondsOf(row.yardstick));
        } else {
            // The floor of planesMoved planes, from the fastest of three copies.
            const double copy = std::min({memcpySeconds(photo()), memcpySeconds(photo()), memcpySeconds(photo())});
            theirs = std::min(theirs, row.planesMoved * copy / 2.0);
        }
        benchmark::ClobberMemory();
    }
    state.counters["ours_ms"] = 1e3 * ours;
    state.counters["yardstick_ms"] = 1e3 * theirs;
    state.counters["ratio"] = ours / theirs;
    state.counters["target"] = row.target;
    state.counters["met"] = ours / theirs <= row.target ? 1.0 : 0.0;
}

void add(const std::string& name, Row row, int repetitions)
{
    benchmark::RegisterBenchmark(("Compare/" + name).c_str(), [row](benchmark::State& state) { compare(state, row); })
        ->Iterations(repetitions)
        ->Unit(benchmark::kMillisecond);
}

// OpenCV's output lives beside the photo so that no run allocates it.
cv::Mat& openCvOutput()
{
    static cv::Mat output(kHeight, kWidth, CV_8UC3);
    return output;
}

// The scratch a consuming stage reads: a copy of the photo.
void photoIntoScratch()
{
    copyPlane(photo().scratch, photo().current);
}

const int kRegistered = [] {
    for (const double sigma : {1.0, 10.0, 100.0}) {
        const int kernel = 2 * static_cast<int>(3 * sigma) + 1;
        const double target = sigma == 1.0 ? 1.5 : sigma == 10.0 ? 1.0 : 0.1;
        add("gaussianBlur/sigma:" + std::to_string(static_cast<int>(sigma)),
            {{},
             [sigma] {
                 gaussianBlurRows(photo(), sigma);
                 gaussianBlurColumns(photo(), sigma);
             },
             [sigma, kernel] {
                 cv::GaussianBlur(currentMat(photo()), openCvOutput(), cv::Size(kernel, kernel), sigma, sigma);
             },
             0.0, target},
            sigma == 100.0 ? 1 : 3);
    }
    for (const int divisor : {1, 11}) {
        add("triangleBlur/radius:11/divisor:" + std::to_string(divisor),
            {{},
             [divisor] {
                 triangleBlurRows(photo(), 11, divisor);
                 triangleBlurColumns(photo(), 11, divisor);
             },
             [] { cv::boxFilter(currentMat(photo()), openCvOutput(), -1, cv::Size(23, 23)); }, 0.0, 1.5},
            3);
    }

    // Pointwise stages: planes read plus planes written, the final clear of
    // `scratch` counted as one plane written.
    const auto pointwise = [](const std::string& name, Step ours, double planes) {
        add(name, {photoIntoScratch, std::move(ours), {}, planes, 1.5}, 3);
    };
    pointwise("composeWithScratch", [] { composeWithScratch(photo(), 0.3); }, 4);
    pointwise("brightWeightedCompose", [] { brightWeightedCompose(photo(), 0.5); }, 4);
    pointwise("darkWeightedCompose", [] { darkWeightedCompose(photo(), 0.5); }, 4);
    pointwise("colourRangeCompose", [] { colourRangeCompose(photo(), -0.5, 10.0, {250.0, 214.0, 186.0}); }, 4);
    pointwise("scratchColourRangeCompose", [] { scratchColourRangeCompose(photo(), 1.5, 1.0, {128.0, 128.0, 128.0}); },
              4);
    pointwise("fillScratch", [] { fillScratch(photo(), 30, 60, 90); }, 1);
    pointwise("invertToScratch", [] { invertToScratch(photo()); }, 2);
    pointwise("greyToScratch", [] { greyToScratch(photo()); }, 2);
    pointwise("lightenDarkenScratch", [] { lightenDarkenScratch(photo(), true); }, 3);
    pointwise("greyResult", [] { greyResult(photo()); }, 2);

    add("unsharpMask/radius:11",
        {photoIntoScratch, [] { unsharpMask(photo(), 11, 0.5); },
         [] {
             // Local standard deviation over 23 x 23 in float.
             cv::Mat image;
             currentMat(photo()).convertTo(image, CV_32F);
             cv::Mat mean;
             cv::Mat meanOfSquares;
             cv::boxFilter(image, mean, -1, cv::Size(23, 23));
             cv::boxFilter(image.mul(image), meanOfSquares, -1, cv::Size(23, 23));
             cv::Mat deviation;
             cv::sqrt(meanOfSquares - mean.mul(mean), deviation);
             benchmark::DoNotOptimize(deviation.data);
         },
         0.0, 3.0},
        1);
    add("luminanceRankFilter/radius:10",
        {{}, [] { luminanceRankFilter(photo(), 10); },
         [] { cv::medianBlur(currentMat(photo()), openCvOutput(), 21); }, 0.0, 1.0},
        1);
    add("brightSharpen/radius:11",
        {{}, [] { brightSharpen(photo(), 11, 11); }, [] { cv::medianBlur(currentMat(photo()), openCvOutput(), 21); },
         0.0, 2.0},
        1);
    add("darkSharpen/radius:11",
        {{}, [] { darkSharpen(photo(), 11, 11); }, [] { cv::medianBlur(currentMat(photo()), openCvOutput(), 21); },
         0.0, 2.0},
        1);
    add("weightedMedian/radius:10/step:10",
        {{},
         [] {
             weightedMedianRows(photo(), 10, 10);
             weightedMedianColumns(photo(), 10, 10);
         },
         [] { cv::medianBlur(currentMat(photo()), openCvOutput(), 5); }, 0.0, 3.0},
        3);
    return 0;
}();

} // namespace
