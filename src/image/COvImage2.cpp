// The working image record: import of the library's 8- and 24-bit DIBs into
// the four planes, export of `current` as a 24-bit DIB, and painting through
// ICanvas. The reduction below zoom 1 and the region copies are parallel row
// loops; each destination row is written by one worker, so the painted bytes
// do not depend on the thread count.
#include "image/COvImage2.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <stdexcept>

#include "image/AtomicFile.h"
#include "image/Canvas.h"
#include "image/HugePages.h"
#include "image/ik5/DibPixels.h"
#include "image/ik5/Ik5Loader.h"

namespace {

constexpr std::size_t kBytesPerPixel = 3;

// The header of a DIB the library returned; the block may be unaligned for it.
BITMAPINFOHEADER headerOf(const void* dib)
{
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    return header;
}

// Destination size of a zoomed draw: trunc(zoom x size), or 0 when that is
// not a positive size an int can hold (a non-finite or absurd zoom).
int zoomedSize(double zoom, std::int32_t size)
{
    const double scaled = std::trunc(zoom * size);
    if (!(scaled >= 1.0) || scaled > std::numeric_limits<int>::max()) {
        return 0;
    }
    return static_cast<int>(scaled);
}

// Source index trunc(index / zoom), kept inside the plane against rounding.
std::int32_t sampledIndex(int index, double zoom, std::int32_t size)
{
    const auto sampled = static_cast<std::int64_t>(index / zoom);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(sampled, 0, size - 1));
}

// Gives `plane` room for `bytes` without touching it, on huge pages where
// the kernel allows (a 20-megapixel plane otherwise takes some fifteen
// thousand page faults as the decoder fills it). A plane that already has
// the room keeps it.
void reservePlane(std::vector<std::uint8_t>& plane, std::size_t bytes)
{
    if (plane.capacity() >= bytes || bytes < 2 * hugepages::kHugePageBytes) {
        return;
    }
    plane = {};
    plane.reserve(bytes);
    hugepages::advise(plane.data(), bytes);
}

} // namespace

bool COvImage2::loadFromFile(const std::string& path, LoadedPlanes planes)
{
    fileProblem = {};
    try {
        if (readFile(path)) {
            // The other planes are set up once the reader has freed its
            // buffers, so that the peak holds either those or these, not both.
            if (planes != LoadedPlanes::CurrentOnly) {
                reservePlane(result, planeBytes());
                reservePlane(scratch, planeBytes());
                allocateEffectPlanes();
            }
            if (planes == LoadedPlanes::All) {
                reservePlane(resultBackup, planeBytes());
                resultBackup.assign(planeBytes(), 0);
            }
            return true;
        }
    } catch (const std::bad_alloc&) {
        fileProblem = {FileError::OutOfMemory};
    } catch (const std::length_error&) {
        // Planes beyond what a vector can hold.
        fileProblem = {FileError::OutOfMemory};
    }
    // Leave the record as constructed.
    width = 0;
    height = 0;
    current = {};
    result = {};
    scratch = {};
    resultBackup = {};
    colourProfile = {};
    loadNotes = 0;
    return false;
}

bool COvImage2::readFile(const std::string& path)
{
    // The memory the picture is written into: `current`.
    const auto place = [&](int newWidth, int newHeight) {
        width = newWidth;
        height = newHeight;
        reservePlane(current, planeBytes());
        current.assign(planeBytes(), 0);
        return current.data();
    };
    if (ik5::loadsIntoPlanes()) {
        // The module writes the picture into `current` itself.
        if (!ik5::fileLoadInto(path, place)) {
            fileProblem = ik5::lastFileProblem(FileError::ReadFailed);
            return false;
        }
        loadNotes = ik5::lastLoadNotes();
        colourProfile = ik5::lastColourProfile();
        return true;
    }
    const ik5::UniqueDib dib(ik5::fileLoad(path));
    if (!dib) {
        fileProblem = ik5::lastFileProblem(FileError::ReadFailed);
        return false;
    }
    const BITMAPINFOHEADER header = headerOf(dib.get());
    // Only what the library writes is understood: uncompressed, bottom-up
    // rows of 8 or 24 bits. Anything else would be misread.
    if (header.biWidth <= 0 || header.biHeight <= 0 || header.biCompression != kBiRgb
        || (header.biBitCount != 8 && header.biBitCount != 24)) {
        fileProblem = {FileError::ReadFailed};
        return false;
    }
    loadNotes = ik5::lastLoadNotes();
    colourProfile = ik5::lastColourProfile();
    ik5::copyDibPixels(header, static_cast<const std::uint8_t*>(dib.get()), place(header.biWidth, header.biHeight));
    return true;
}

bool COvImage2::encode(int format, std::vector<std::uint8_t>& encoded, int jpegQuality) const
{
    fileProblem = {};
    if (format != SaveFormatJpeg && format != SaveFormatPng && format != SaveFormatTiff) {
        fileProblem = {FileError::NotSaveFormat};
        return false;
    }
    if (ik5::loadsIntoPlanes()) {
        // The module encodes straight from `current`.
        if (!ik5::fileEncodePixels(current.data(), width, height, stride(), format, jpegQuality, encoded)) {
            fileProblem = ik5::lastFileProblem(FileError::WriteFailed);
            return false;
        }
        return true;
    }
    const ik5::UniqueDib dib(ik5::createImage(width, height));
    if (!dib) {
        // The effect module allocates the image; without it nothing is written.
        fileProblem = {ik5::librariesAvailable() ? FileError::OutOfMemory : FileError::LibraryMissing};
        return false;
    }
    const BITMAPINFOHEADER header = headerOf(dib.get());
    if (header.biWidth != width || header.biHeight != height || header.biBitCount != 24) {
        fileProblem = {FileError::WriteFailed};
        return false;
    }
    std::memcpy(static_cast<std::uint8_t*>(dib.get()) + kDibHeaderBytes, current.data(), planeBytes());
    if (!ik5::fileEncode(dib.get(), format, jpegQuality, encoded)) {
        fileProblem = ik5::lastFileProblem(FileError::WriteFailed);
        return false;
    }
    return true;
}

bool COvImage2::saveToFile(const std::string& path, int format, int jpegQuality) const
{
    std::vector<std::uint8_t> encoded;
    try {
        if (!encode(format, encoded, jpegQuality)) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        fileProblem = {FileError::OutOfMemory};
        return false;
    }
    return writeEncoded(path, encoded);
}

bool COvImage2::writeEncoded(const std::string& path, std::span<const std::uint8_t> encoded) const
{
    fileProblem = {writeFileAtomically(path, encoded)};
    return !fileProblem;
}

void COvImage2::drawZoomed(ICanvas& canvas, double zoom) const
{
    const int destWidth = zoomedSize(zoom, width);
    const int destHeight = zoomedSize(zoom, height);
    if (destWidth == 0 || destHeight == 0) {
        return;
    }
    canvas.setPictureProfile(colourProfile);
    if (zoom >= 1.0) {
        // Enlargement and 1:1: the canvas stretches `current` itself.
        canvas.drawBottomUpBgr(current, width, height, 0, 0, destWidth, destHeight);
        return;
    }
    // Reduction: nearest neighbour anchored at the first stored row and column.
    const std::size_t destStride = rowStride(destWidth);
    std::vector<std::uint8_t> reduced(destStride * static_cast<std::size_t>(destHeight), 0);
    const std::size_t sourceStride = stride();
    // Every row samples the same columns: their byte offsets are tabled once.
    std::vector<std::size_t> sourceOffsets(static_cast<std::size_t>(destWidth));
    for (int x = 0; x < destWidth; ++x) {
        sourceOffsets[static_cast<std::size_t>(x)] = kBytesPerPixel * static_cast<std::size_t>(sampledIndex(x, zoom, width));
    }
    parallelRows(0, destHeight - 1, [&](std::int32_t y) {
        const std::uint8_t* sourceRow = current.data() + sampledIndex(y, zoom, height) * sourceStride;
        std::uint8_t* destRow = reduced.data() + y * destStride;
        for (int x = 0; x < destWidth; ++x) {
            std::copy_n(sourceRow + sourceOffsets[static_cast<std::size_t>(x)], kBytesPerPixel,
                        destRow + kBytesPerPixel * x);
        }
    });
    canvas.drawBottomUpBgr(reduced, destWidth, destHeight, 0, 0);
}

void COvImage2::drawCurrentRegion(ICanvas& canvas, int left, int firstRow, int w, int h)
{
    drawRegion(canvas, current, currentPaneBuffer, left, firstRow, w, h);
}

void COvImage2::drawResultRegion(ICanvas& canvas, int left, int firstRow, int w, int h)
{
    drawRegion(canvas, result, resultPaneBuffer, left, firstRow, w, h);
}

void COvImage2::drawRegion(ICanvas& canvas, const std::vector<std::uint8_t>& plane,
                           std::vector<std::uint8_t>& paneBuffer, int left, int firstRow, int w, int h) const
{
    // A region that is empty or reaches outside the photo would read past the
    // plane: draw nothing.
    const bool inside = w > 0 && h > 0 && left >= 0 && firstRow >= 0 && std::int64_t{left} + w <= width
                        && std::int64_t{firstRow} + h <= height;
    if (!inside) {
        return;
    }
    canvas.setPictureProfile(colourProfile);
    const std::size_t bufferStride = rowStride(w);
    paneBuffer.assign(bufferStride * static_cast<std::size_t>(h), 0);
    const std::size_t planeStride = stride();
    parallelRows(0, h - 1, [&](std::int32_t r) {
        const std::uint8_t* source = plane.data() + (firstRow + r) * planeStride + kBytesPerPixel * left;
        std::copy_n(source, kBytesPerPixel * w, paneBuffer.data() + r * bufferStride);
    });
    canvas.drawBottomUpBgr(paneBuffer, w, h, 0, 0);
}
