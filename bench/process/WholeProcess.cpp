// The speed table of the heavy effects against OpenCV, measured in one run on
// one photo. For each case:
//   whole process  `fotra apply` (or `fotra filter`) as a separate process,
//                  minus `fotra convert` of the same photo (reading and
//                  writing it);
//   pipeline       the same effect's engine steps in this process;
//   OpenCV         the library's nearest operations with 2 threads on the
//                  same photo.
// Both run on the kernel target chosen with --kernels (avx512, avx2 or
// baseline; fotra through FOTRA_KERNELS), so that a machine with AVX-512 also
// gives the figures of one without, else on the processor's best. Each is
// timed on the wall clock and in processor time (all threads, fotra's
// counted from its finished children).
// Every run starts from fresh inputs: the planes are copied from the photo as
// read before each timed pipeline, and each process reads the file anew. The
// fastest of the runs counts, which keeps other load on the machine out.
//
//   fotra_process_bench [--kernels=TARGET] [--runs=N] [--photo=FILE]
// Without --photo a 17.9-megapixel photo-like TIFF is written to a temporary
// folder first.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include <omp.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "document/EffectPipelines.h"
#include "document/EffectValues.h"
#include "engine/ImagePlanes.h"
#include "engine/KernelTargets.h"
#include "engine/UnsharpMask.h"
#include "support/TestImages.h"

#include "../ProcessTiming.h"

namespace {

namespace fs = std::filesystem;
using benchtiming::Seconds;
using benchtiming::secondsOf;

// The folder of this program, where fotra is built too.
fs::path programFolder()
{
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// The photo's bytes as the engine's planes (row order does not matter here).
ImagePlanes planesOf(const cv::Mat& photo)
{
    ImagePlanes image;
    image.allocatePlanes(photo.cols, photo.rows);
    for (int y = 0; y < photo.rows; ++y) {
        std::copy_n(photo.ptr<std::uint8_t>(y), 3 * static_cast<std::size_t>(photo.cols),
                    image.current.data() + static_cast<std::size_t>(y) * image.stride());
    }
    return image;
}

cv::Mat photoLikeMat(int width, int height)
{
    const ImagePlanes image = testsupport::photoLikeImage(width, height, 1);
    cv::Mat mat(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y) {
        std::copy_n(image.current.data() + static_cast<std::size_t>(y) * image.stride(),
                    3 * static_cast<std::size_t>(width), mat.ptr<std::uint8_t>(y));
    }
    return mat;
}

// Local standard deviation over a square window, in float.
void localDeviation(const cv::Mat& photo, int side)
{
    cv::Mat image;
    photo.convertTo(image, CV_32F);
    cv::Mat mean;
    cv::Mat meanOfSquares;
    cv::boxFilter(image, mean, -1, cv::Size(side, side));
    cv::boxFilter(image.mul(image), meanOfSquares, -1, cv::Size(side, side));
    cv::Mat deviation;
    cv::sqrt(meanOfSquares - mean.mul(mean), deviation);
}

struct Case {
    std::string name;
    std::vector<std::string> fotraArguments; // after the program's name, before the photo
    std::function<void(ImagePlanes&)> pipeline;
    std::function<void(const cv::Mat&)> openCv;
    double target;
};

} // namespace

int main(int argc, char** argv)
{
    int runs = 3;
    std::string photoPath;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with("--kernels=")) {
            const auto target = engine::supportedKernelTargetNamed(argument.substr(10));
            if (!target) {
                std::fprintf(stderr, "this processor has no kernel target %s\n", argv[i] + 10);
                return 2;
            }
            engine::setKernelTarget(*target);
            // fotra takes its kernel target from the environment it inherits.
            setenv("FOTRA_KERNELS", argv[i] + 10, 1);
        } else if (argument.starts_with("--runs=")) {
            runs = std::max(1, std::atoi(argv[i] + 7));
        } else if (argument.starts_with("--photo=")) {
            photoPath = std::string(argument.substr(8));
        } else {
            std::fprintf(stderr, "usage: %s [--kernels=avx512|avx2|baseline] [--runs=N] [--photo=FILE]\n", argv[0]);
            return 2;
        }
    }
    const fs::path folder = fs::temp_directory_path() / ("fotra-process-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    if (photoPath.empty()) {
        photoPath = (folder / "photo.tif").string();
        cv::imwrite(photoPath, photoLikeMat(5184, 3456));
    }
    const cv::Mat photo = cv::imread(photoPath, cv::IMREAD_COLOR);
    if (photo.empty()) {
        std::fprintf(stderr, "cannot read %s\n", photoPath.c_str());
        return 1;
    }
    const ImagePlanes original = planesOf(photo);
    const std::string fotra = (programFolder() / "fotra").string();
    const std::string output = (folder / "out.tif").string();
    cv::setNumThreads(2);

    const auto effect = [](int mode, int strength) {
        return [mode, strength](ImagePlanes& image) { runEffectPipeline(image, mode, EffectValues{strength, 100, 0}); };
    };
    // The nearest of くっきり: the box blur and the local deviation it uses.
    const auto boxAndDeviation = [](const cv::Mat& in) {
        cv::Mat box;
        cv::boxFilter(in, box, -1, cv::Size(23, 23));
        localDeviation(in, 23);
    };
    const std::vector<Case> cases = {
        {"mode 8 S=100 vs box 23x23 + std-dev 23x23", {"apply", "--mode", "8", "--strength", "100", "--effect", "100"}, effect(8, 100),
         boxAndDeviation,
         1.5},
        {"mode 8 S=10 vs the same", {"apply", "--mode", "8", "--strength", "10", "--effect", "100"}, effect(8, 10),
         boxAndDeviation,
         1.0},
        {"mode 28 S=100 vs median 21x21", {"apply", "--mode", "28", "--strength", "100", "--effect", "100"}, effect(28, 100),
         [](const cv::Mat& in) {
             cv::Mat out;
             cv::medianBlur(in, out, 21);
         },
         0.5},
        {"filter 32788 vs median 5x5", {"filter", "--command", "32788"},
         [](ImagePlanes& image) { runFixedFilter(image, 32788); },
         [](const cv::Mat& in) {
             cv::Mat out;
             cv::medianBlur(in, out, 5);
         },
         3.0},
        {"mode 1 S=1 vs Gaussian 7 taps + mix", {"apply", "--mode", "1", "--strength", "1", "--effect", "100"}, effect(1, 1),
         [](const cv::Mat& in) {
             cv::Mat blurred;
             cv::GaussianBlur(in, blurred, cv::Size(7, 7), 1.0, 1.0);
             cv::Mat out;
             cv::addWeighted(in, 4.0, blurred, -3.0, 0.0, out);
         },
         1.5},
    };

    std::printf("photo %s, %d x %d, %d runs, fastest counts\n", photoPath.c_str(), photo.cols, photo.rows, runs);
    std::printf("kernels: %s, %d threads\n\n",
                std::string(engine::kernelTargetName(engine::kernelTarget())).c_str(), omp_get_max_threads());
    // The last column: the share of channel bytes for which the unsharp mask
    // formed the written scan-order sum because its bound left them open.
    std::printf("| case | whole process (s) | pipeline (s) | OpenCV (s) | ratio whole | ratio pipeline | target | "
                "written sums |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    std::vector<std::string> processorRows;
    for (const Case& test : cases) {
        // The four timings alternate within each run, so that changing load
        // on the machine falls on all of them alike.
        Seconds apply;
        Seconds convert;
        Seconds pipeline;
        Seconds openCv;
        const std::uint64_t writtenBefore = unsharpWrittenSums();
        for (int run = 0; run < runs; ++run) {
            std::vector<std::string> applyArguments{fotra};
            applyArguments.insert(applyArguments.end(), test.fotraArguments.begin(), test.fotraArguments.end());
            applyArguments.insert(applyArguments.end(), {photoPath, "-o", output});
            apply.keepFastest(benchtiming::runProcess(applyArguments));
            convert.keepFastest(benchtiming::runProcess({fotra, "convert", photoPath, output}));
            ImagePlanes image = original;
            pipeline.keepFastest(secondsOf([&] { test.pipeline(image); }));
            openCv.keepFastest(secondsOf([&] { test.openCv(photo); }));
        }
        const double whole = apply.wall - convert.wall;
        const double channelBytes = 3.0 * runs * photo.cols * photo.rows;
        const double written = 100.0 * static_cast<double>(unsharpWrittenSums() - writtenBefore) / channelBytes;
        std::printf("| %s | %.3f | %.3f | %.3f | %.2f | %.2f | %.1f | %.2f%% |\n", test.name.c_str(), whole,
                    pipeline.wall, openCv.wall, whole / openCv.wall, pipeline.wall / openCv.wall, test.target, written);
        std::fflush(stdout);
        const double wholeProcessor = apply.processor - convert.processor;
        char row[512];
        std::snprintf(row, sizeof row, "| %s | %.3f | %.3f | %.3f | %.3f | %.2f | %.2f |\n", test.name.c_str(),
                      apply.processor, wholeProcessor, pipeline.processor, openCv.processor,
                      wholeProcessor / openCv.processor, pipeline.processor / openCv.processor);
        processorRows.emplace_back(row);
    }
    // Processor time counts every thread's work (and OpenMP's waiting), which
    // other load on the machine disturbs less than the wall clock.
    std::printf("\nprocessor time, fastest of the runs:\n\n");
    std::printf("| case | apply (s) | whole process (s) | pipeline (s) | OpenCV (s) | ratio whole | ratio pipeline |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const std::string& row : processorRows) {
        std::printf("%s", row.c_str());
    }
    fs::remove_all(folder);
    return 0;
}
