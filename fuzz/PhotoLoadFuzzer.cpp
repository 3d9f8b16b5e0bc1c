// libFuzzer target: every input is written to a file and read through the
// image record's load (COvImage2::loadFromFile), which calls the file module
// through the run-time loader. A load either fails cleanly or yields planes
// whose sizes match the picture; anything else aborts the run. Built twice:
// fuzz_photo_load takes pictures up to 1 MP (and those whose size cannot be
// read), fuzz_large_photo only those above 1 MP up to FOTRA_FUZZ_MAX_PIXELS,
// so that the paths of large photos are fuzzed while each input stays fast.
#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "image/COvImage2.h"
#include "image/ik5/Ik5Loader.h"

#include "ScratchFolder.h"

namespace {

// Larger pictures are valid but only cost memory bandwidth: the size checks
// they pass are the same, so the fuzzer skips them and keeps its speed.
#ifdef FOTRA_FUZZ_MAX_PIXELS
constexpr qint64 kMinFuzzedPixels = (qint64{1} << 20) + 1;
constexpr qint64 kMaxFuzzedPixels = FOTRA_FUZZ_MAX_PIXELS;
#else
constexpr qint64 kMinFuzzedPixels = 0;
constexpr qint64 kMaxFuzzedPixels = qint64{1} << 20;
#endif

struct Harness : ScratchFolder {
    ik5::ScopedLibraries libraries;
};

Harness* harness = nullptr;

void quietMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

// Whether the picture's declared size is outside this target's range.
bool skipped(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QSize declared = QImageReader(&buffer).size();
    if (!declared.isValid()) {
        return kMinFuzzedPixels > 0;
    }
    const qint64 pixels = qint64{declared.width()} * declared.height();
    return pixels < kMinFuzzedPixels || pixels > kMaxFuzzedPixels;
}

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken invariant after a successful load: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(quietMessages);
    static Harness instance;
    harness = &instance;
    // Without the modules every load fails cleanly and nothing is fuzzed.
    if (!ik5::librariesAvailable()) {
        std::fprintf(stderr, "the image-file modules cannot be loaded from the fuzzer's folder\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (skipped(data, size)) {
        return 0;
    }
    {
        std::ofstream file(harness->inputPath, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!file) {
            std::abort();
        }
    }
    COvImage2 record;
    if (!record.loadFromFile(harness->inputPath)) {
        require(record.width == 0 && record.current.empty(), "a failed load left a half-made record");
        return 0;
    }
    require(record.width > 0 && record.height > 0, "positive size");
    require(record.current.size() == record.planeBytes(), "current plane size");
    require(record.result.size() == record.planeBytes(), "result plane size");
    require(record.scratch.size() == record.planeBytes(), "scratch plane size");
    require(std::all_of(record.result.begin(), record.result.end(), [](std::uint8_t b) { return b == 255; }),
            "idle result");
    require(std::all_of(record.scratch.begin(), record.scratch.end(), [](std::uint8_t b) { return b == 0; }),
            "clear scratch");
    return 0;
}
