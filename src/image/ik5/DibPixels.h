// The picture of a DIB block as 24-bit rows: shared by the record, which
// imports the library's DIBs, and the file module, which writes a picture
// into memory the caller gives.
#pragma once

#include <cstdint>
#include <cstring>

#include "image/ik5/Ik5Api.h"

namespace ik5 {

// Bytes of a row of `width` pixels at `bitCount` bits, padded to 4.
constexpr std::size_t dibRowBytes(std::int64_t width, int bitCount)
{
    return static_cast<std::size_t>(((width * bitCount + 31) >> 3) & ~std::int64_t{3});
}

// Writes the picture of `dib` (8 or 24 bits, uncompressed, bottom-up, as
// `header` describes it) into `target`: biHeight rows of biWidth blue,
// green, red pixels, padded to 4 bytes, bottom-up; 8-bit pixels through the
// colour table. 24-bit rows are copied whole, padding included; the
// padding of expanded 8-bit rows is left as it was.
inline void copyDibPixels(const BITMAPINFOHEADER& header, const std::uint8_t* dib, std::uint8_t* target)
{
    const std::size_t width = static_cast<std::size_t>(header.biWidth);
    const std::size_t targetStride = dibRowBytes(header.biWidth, 24);
    if (header.biBitCount == 24) {
        std::memcpy(target, dib + kDibHeaderBytes, targetStride * static_cast<std::size_t>(header.biHeight));
        return;
    }
    const std::uint8_t* table = dib + kDibHeaderBytes;
    const std::uint8_t* indices = table + kDibColourTableBytes;
    const std::size_t indexStride = dibRowBytes(header.biWidth, 8);
    for (std::int32_t y = 0; y < header.biHeight; ++y) {
        const std::uint8_t* indexRow = indices + static_cast<std::size_t>(y) * indexStride;
        std::uint8_t* pixel = target + static_cast<std::size_t>(y) * targetStride;
        for (std::size_t x = 0; x < width; ++x, pixel += 3) {
            std::memcpy(pixel, table + 4 * std::size_t{indexRow[x]}, 3);
        }
    }
}

} // namespace ik5
