// Reading CMYK TIFFs from memory with libtiff, its messages kept off the
// terminal through handlers of this file alone.
#include "TiffCmyk.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>

#include "DibBlock.h"
#include "Refusal.h"
#include "Upright.h"

namespace ik5module {
namespace {

// The file in memory as libtiff's client: read, seek and map, never write.
struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    toff_t at = 0;
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size)
{
    auto& file = *static_cast<MemoryFile*>(handle);
    const toff_t left = file.at < file.bytes.size() ? file.bytes.size() - file.at : 0;
    const auto count = static_cast<toff_t>(size) < left ? static_cast<toff_t>(size) : left;
    std::copy_n(file.bytes.data() + file.at, count, static_cast<std::uint8_t*>(buffer));
    file.at += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    auto& file = *static_cast<MemoryFile*>(handle);
    const toff_t base = whence == SEEK_CUR ? file.at : whence == SEEK_END ? file.bytes.size() : 0;
    file.at = base + offset;
    return file.at;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return static_cast<MemoryFile*>(handle)->bytes.size();
}

int mapProc(thandle_t handle, void** base, toff_t* size)
{
    const auto& file = *static_cast<MemoryFile*>(handle);
    // Opened for reading only: libtiff never writes through the mapping.
    *base = const_cast<std::uint8_t*>(file.bytes.data());
    *size = file.bytes.size();
    return 1;
}

void unmapProc(thandle_t, void*, toff_t) {}

int quiet(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TiffClose {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

template <typename T>
T field(TIFF* tiff, ttag_t tag)
{
    T value{};
    TIFFGetFieldDefaulted(tiff, tag, &value);
    return value;
}

bool isPlainCmyk(TIFF* tiff)
{
    const auto bits = field<std::uint16_t>(tiff, TIFFTAG_BITSPERSAMPLE);
    // Four samples of which one is extra (alpha, say) are not four inks.
    std::uint16_t extraSamples = 0;
    const std::uint16_t* extraKinds = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraSamples, &extraKinds);
    return extraSamples == 0 && field<std::uint16_t>(tiff, TIFFTAG_PHOTOMETRIC) == PHOTOMETRIC_SEPARATED
           && field<std::uint16_t>(tiff, TIFFTAG_INKSET) == INKSET_CMYK
           && field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL) == 4 && (bits == 8 || bits == 16)
           && field<std::uint16_t>(tiff, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_CONTIG && !TIFFIsTiled(tiff);
}

// The picture's inks top-down as stored; 16-bit samples rounded to 8 bits.
std::vector<std::uint8_t> storedInks(TIFF* tiff, int width, int height, bool deep)
{
    const auto rowBytes = 4 * static_cast<std::size_t>(width);
    std::vector<std::uint8_t> inks(rowBytes * static_cast<std::size_t>(height));
    const tmsize_t scanline = TIFFScanlineSize(tiff);
    if (scanline < static_cast<tmsize_t>(rowBytes * (deep ? 2 : 1))) {
        refuse(FileError::Damaged);
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(scanline));
    for (int y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
            refuse(FileError::Damaged);
        }
        std::uint8_t* target = inks.data() + static_cast<std::size_t>(y) * rowBytes;
        if (!deep) {
            std::copy_n(row.data(), rowBytes, target);
            continue;
        }
        // libtiff gives the samples in this machine's byte order.
        for (std::size_t i = 0; i < rowBytes; ++i) {
            std::uint16_t sample = 0;
            std::memcpy(&sample, row.data() + 2 * i, sizeof sample);
            target[i] = static_cast<std::uint8_t>((sample + 128u) / 257u);
        }
    }
    return inks;
}

} // namespace

std::optional<CmykTiff> readCmykTiff(std::span<const std::uint8_t> file)
{
    const std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) {
        throw std::bad_alloc();
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quiet, nullptr);
    MemoryFile memory{file};
    const std::unique_ptr<TIFF, TiffClose> tiff(TIFFClientOpenExt("photo", "r", &memory, readProc, writeProc, seekProc,
                                                                  closeProc, sizeProc, mapProc, unmapProc,
                                                                  options.get()));
    // A TIFF libtiff cannot open is Qt's to refuse with its reason.
    if (!tiff || !isPlainCmyk(tiff.get())) {
        return std::nullopt;
    }
    const auto width = field<std::uint32_t>(tiff.get(), TIFFTAG_IMAGEWIDTH);
    const auto height = field<std::uint32_t>(tiff.get(), TIFFTAG_IMAGELENGTH);
    if (!acceptableSize(width, height)) {
        throw Refusal{width > 0 && height > 0 ? FileProblem{FileError::TooLarge, {}, static_cast<std::int64_t>(width),
                                                            static_cast<std::int64_t>(height), kMaxPixels}
                                              : FileProblem{FileError::Damaged}};
    }
    CmykTiff picture;
    picture.deep = field<std::uint16_t>(tiff.get(), TIFFTAG_BITSPERSAMPLE) == 16;
    std::vector<std::uint8_t> stored =
        storedInks(tiff.get(), static_cast<int>(width), static_cast<int>(height), picture.deep);
    std::uint32_t profileSize = 0;
    const void* profile = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile != nullptr) {
        const auto* bytes = static_cast<const std::uint8_t*>(profile);
        picture.profile.assign(bytes, bytes + profileSize);
    }
    const int orientation = field<std::uint16_t>(tiff.get(), TIFFTAG_ORIENTATION);
    const bool turned = orientation >= 5 && orientation <= 8;
    picture.width = static_cast<int>(turned ? height : width);
    picture.height = static_cast<int>(turned ? width : height);
    if (orientation <= 1 || orientation > 8) {
        picture.inks = std::move(stored);
        return picture;
    }
    picture.inks.resize(stored.size());
    copyUpright(stored.data(), static_cast<int>(width), static_cast<int>(height), 4, orientation, picture.inks.data(),
                std::ptrdiff_t{4} * picture.width);
    return picture;
}

} // namespace ik5module
