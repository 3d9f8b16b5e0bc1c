// Allocation and validation of DIB blocks for the image-file modules.
#include "DibBlock.h"

#include <cstdlib>
#include <cstring>

#include "image/HugePages.h"

namespace ik5module {

bool acceptableSize(std::int64_t width, std::int64_t height)
{
    return width >= 1 && height >= 1 && width <= kMaxPixels && height <= kMaxPixels
           && width * height <= kMaxPixels;
}

Ik5Dib allocateDib(int width, int height, int bitCount)
{
    if (!acceptableSize(width, height) || (bitCount != 8 && bitCount != 24)) {
        return nullptr;
    }
    const std::size_t pixelBytes = dibStride(width, bitCount) * static_cast<std::size_t>(height);
    const std::size_t tableBytes = bitCount == 8 ? kDibColourTableBytes : 0;
    const std::size_t blockBytes = kDibHeaderBytes + tableBytes + pixelBytes;
    void* block = std::calloc(1, blockBytes);
    if (!block) {
        return nullptr;
    }
    // Large blocks come fresh from the kernel, untouched: fewer faults as
    // the pixels are written.
    hugepages::advise(block, blockBytes);
    BITMAPINFOHEADER header{};
    header.biSize = kDibHeaderBytes;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<std::uint16_t>(bitCount);
    header.biCompression = kBiRgb;
    header.biSizeImage = static_cast<std::uint32_t>(pixelBytes);
    header.biClrUsed = bitCount == 8 ? 256 : 0;
    std::memcpy(block, &header, sizeof header);
    return block;
}

std::optional<DibView> viewDib(Ik5Dib dib)
{
    if (!dib) {
        return std::nullopt;
    }
    DibView view{};
    std::memcpy(&view.header, dib, sizeof view.header);
    const BITMAPINFOHEADER& header = view.header;
    if (header.biSize != kDibHeaderBytes || header.biCompression != kBiRgb
        || !acceptableSize(header.biWidth, header.biHeight)
        || (header.biBitCount != 8 && header.biBitCount != 24)) {
        return std::nullopt;
    }
    auto* bytes = static_cast<std::uint8_t*>(dib);
    view.stride = dibStride(header.biWidth, header.biBitCount);
    if (header.biBitCount == 8) {
        view.colourTable = reinterpret_cast<RGBQUAD*>(bytes + kDibHeaderBytes);
        view.pixels = bytes + kDibHeaderBytes + kDibColourTableBytes;
    } else {
        view.colourTable = nullptr;
        view.pixels = bytes + kDibHeaderBytes;
    }
    return view;
}

} // namespace ik5module
