// Opening and saving a JPEG against the codec's own floor, measured in one
// run on one photo:
//   fotra convert  `fotra convert IN.jpg OUT.jpg` as a separate process:
//                  start-up, read, decode, metadata, planes, encode, the
//                  atomic write;
//   fotra info     `fotra info IN.jpg`: headers and metadata only;
//   TurboJPEG      the same file decoded to bottom-up BGR and encoded again at
//                  quality 90 in this process, from a fresh copy of the file
//                  into fresh buffers each time, as a process would start;
//                  the ratios are to this;
//   TurboJPEG, huge pages  the same with the pixel and output buffers on
//                  huge pages, as fotra puts them: the codec's floor with
//                  fotra's memory, to tell the two savings apart.
// Wall time and processor time (user + system, the child's for the
// processes) are both given: on a shared machine the processor time is the
// steadier. The timings alternate within each run and the fastest counts.
//
//   fotra_jpeg_bench [--runs=N] [--photo=FILE]
// Without --photo a 20-megapixel (5472 x 3648) photo-like JPEG at quality 92
// is written to a temporary folder first.
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "image/HugePages.h"
#include "support/TestImages.h"

#include "../ProcessTiming.h"

namespace {

namespace fs = std::filesystem;
using benchtiming::runProcess;
using benchtiming::Seconds;

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboHandle = std::unique_ptr<void, HandleCloser>;

std::size_t dibStride(int width)
{
    return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

// TurboJPEG's decode of the file into a fresh bottom-up BGR buffer with the
// record's row stride, and its encode of that at quality 90; with
// `hugePages` the pixels and the output on huge pages.
void turboDecodeEncode(const std::vector<unsigned char>& file, int width, int height, bool hugePages)
{
    const std::vector<unsigned char> input = file;
    const TurboHandle decoder(tjInitDecompress());
    const TurboHandle encoder(tjInitCompress());
    const std::size_t stride = dibStride(width);
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(height);
    const auto pixels = std::make_unique_for_overwrite<unsigned char[]>(pixelBytes);
    unsigned char* encoded = nullptr;
    unsigned long size = 0;
    if (hugePages) {
        hugepages::advise(pixels.get(), pixelBytes);
        size = tjBufSize(width, height, TJSAMP_420);
        encoded = tjAlloc(static_cast<int>(size));
        hugepages::advise(encoded, size);
    }
    if (tjDecompress2(decoder.get(), input.data(), input.size(), pixels.get(), width, static_cast<int>(stride), height,
                      TJPF_BGR, TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT) != 0
        || tjCompress2(encoder.get(), pixels.get(), width, static_cast<int>(stride), height, TJPF_BGR, &encoded, &size,
                       TJSAMP_420, 90, TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT) != 0) {
        std::fprintf(stderr, "TurboJPEG: %s\n", tjGetErrorStr2(nullptr));
        std::exit(1);
    }
    tjFree(encoded);
}

// Its times, the copy of the input included.
Seconds turboRoundTrip(const std::vector<unsigned char>& file, int width, int height, bool hugePages)
{
    return benchtiming::secondsOf([&] { turboDecodeEncode(file, width, height, hugePages); });
}

// A photo-like picture as a JPEG at quality 92.
std::vector<unsigned char> photoLikeJpeg(int width, int height)
{
    const ImagePlanes photo = testsupport::photoLikeImage(width, height, 7);
    const TurboHandle encoder(tjInitCompress());
    unsigned char* encoded = nullptr;
    unsigned long size = 0;
    tjCompress2(encoder.get(), photo.current.data(), width, static_cast<int>(photo.stride()), height, TJPF_BGR, &encoded,
                &size, TJSAMP_420, 92, TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT);
    std::vector<unsigned char> bytes(encoded, encoded + size);
    tjFree(encoded);
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    std::string photoPath;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with("--runs=")) {
            runs = std::max(1, std::atoi(argv[i] + 7));
        } else if (argument.starts_with("--photo=")) {
            photoPath = std::string(argument.substr(8));
        } else {
            std::fprintf(stderr, "usage: %s [--runs=N] [--photo=FILE]\n", argv[0]);
            return 2;
        }
    }
    const fs::path folder = fs::temp_directory_path() / ("fotra-jpeg-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    if (photoPath.empty()) {
        photoPath = (folder / "photo.jpg").string();
        const std::vector<unsigned char> bytes = photoLikeJpeg(5472, 3648);
        std::ofstream(photoPath, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<std::streamsize>(bytes.size()));
    }
    std::ifstream in(photoPath, std::ios::binary);
    const std::vector<unsigned char> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourSpace = 0;
    const TurboHandle reader(tjInitDecompress());
    if (file.empty()
        || tjDecompressHeader3(reader.get(), file.data(), file.size(), &width, &height, &subsampling, &colourSpace) != 0) {
        std::fprintf(stderr, "cannot read %s\n", photoPath.c_str());
        return 1;
    }
    const std::string fotra = (fs::read_symlink("/proc/self/exe").parent_path() / "fotra").string();
    const std::string output = (folder / "out.jpg").string();

    Seconds convert;
    Seconds info;
    Seconds turbo;
    Seconds turboHuge;
    for (int run = 0; run < runs; ++run) {
        convert.keepFastest(runProcess({fotra, "convert", photoPath, output}));
        info.keepFastest(runProcess({fotra, "info", photoPath}));
        turbo.keepFastest(turboRoundTrip(file, width, height, false));
        turboHuge.keepFastest(turboRoundTrip(file, width, height, true));
    }
    std::printf("photo %s, %d x %d (%.1f MP), %zu bytes, %d runs, fastest counts\n\n", photoPath.c_str(), width, height,
                width * static_cast<double>(height) / 1e6, file.size(), runs);
    std::printf("| case | wall (s) | processor (s) | wall ratio | processor ratio | target |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    std::printf("| TurboJPEG decode + encode | %.3f | %.3f | 1.00 | 1.00 | |\n", turbo.wall, turbo.processor);
    std::printf("| TurboJPEG, huge pages | %.3f | %.3f | %.2f | %.2f | |\n", turboHuge.wall, turboHuge.processor,
                turboHuge.wall / turbo.wall, turboHuge.processor / turbo.processor);
    std::printf("| fotra convert | %.3f | %.3f | %.2f | %.2f | 1.2 |\n", convert.wall, convert.processor,
                convert.wall / turbo.wall, convert.processor / turbo.processor);
    std::printf("| fotra info | %.3f | %.3f | %.2f | %.2f | |\n", info.wall, info.processor, info.wall / turbo.wall,
                info.processor / turbo.processor);
    fs::remove_all(folder);
    return 0;
}
