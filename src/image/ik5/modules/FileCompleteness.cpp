// Structural completeness checks for JPEG, PNG and BMP files; they read the bytes
// only and never look further than the span.
#include "FileCompleteness.h"

#include <cstdlib>

namespace ik5module {
namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;

bool isStandaloneMarker(std::uint8_t code)
{
    return code == 0x01 || (code >= 0xD0 && code <= 0xD7);
}

// Moves past the entropy-coded data of a scan to the next marker: stuffed
// bytes (FF 00) and restart markers belong to the scan. False at end of file.
bool skipScanData(std::span<const std::uint8_t> file, std::size_t& pos)
{
    while (pos + 1 < file.size()) {
        if (file[pos] != kMarker) {
            ++pos;
            continue;
        }
        const std::uint8_t next = file[pos + 1];
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
            pos += 2;
        } else if (next == kMarker) {
            ++pos;
        } else {
            return true;
        }
    }
    return false;
}

std::uint32_t readLittle(std::span<const std::uint8_t> file, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | file[at + static_cast<std::size_t>(i)];
    }
    return value;
}

} // namespace

bool jpegIsComplete(std::span<const std::uint8_t> file)
{
    if (file.size() < 4 || file[0] != kMarker || file[1] != kStartOfImage) {
        return false;
    }
    std::size_t pos = 2;
    while (pos < file.size()) {
        // Like the decoder, tolerate stray bytes before a marker.
        while (pos < file.size() && file[pos] != kMarker) {
            ++pos;
        }
        while (pos < file.size() && file[pos] == kMarker) {
            ++pos;
        }
        if (pos >= file.size()) {
            return false;
        }
        const std::uint8_t code = file[pos++];
        if (code == kEndOfImage) {
            return true;
        }
        if (isStandaloneMarker(code)) {
            continue;
        }
        if (pos + 2 > file.size()) {
            return false;
        }
        const std::size_t length = (std::size_t{file[pos]} << 8) | file[pos + 1];
        if (length < 2 || pos + length > file.size()) {
            return false;
        }
        pos += length;
        if (code == kStartOfScan && !skipScanData(file, pos)) {
            return false;
        }
    }
    return false;
}

bool pngIsComplete(std::span<const std::uint8_t> file)
{
    constexpr std::size_t kSignatureBytes = 8;
    constexpr std::size_t kChunkOverhead = 12; // length, type and CRC
    std::size_t pos = kSignatureBytes;
    while (pos + kChunkOverhead <= file.size()) {
        const std::uint64_t length = (std::uint64_t{file[pos]} << 24) | (std::uint64_t{file[pos + 1]} << 16)
                                     | (std::uint64_t{file[pos + 2]} << 8) | file[pos + 3];
        const std::uint64_t next = pos + kChunkOverhead + length;
        if (next > file.size()) {
            return false;
        }
        if (file[pos + 4] == 'I' && file[pos + 5] == 'E' && file[pos + 6] == 'N' && file[pos + 7] == 'D') {
            return true;
        }
        pos = static_cast<std::size_t>(next);
    }
    return false;
}

bool bmpIsComplete(std::span<const std::uint8_t> file)
{
    constexpr std::size_t kFileHeaderBytes = 14;
    if (file.size() < kFileHeaderBytes + 16 || file[0] != 'B' || file[1] != 'M') {
        return false;
    }
    const std::uint64_t pixelOffset = readLittle(file, 10, 4);
    const std::uint32_t infoSize = readLittle(file, 14, 4);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint64_t statedDataSize = 0;
    if (infoSize == 12) {
        width = static_cast<std::int16_t>(readLittle(file, 18, 2));
        height = static_cast<std::int16_t>(readLittle(file, 20, 2));
        bitCount = readLittle(file, 24, 2);
    } else {
        if (file.size() < kFileHeaderBytes + 24) {
            return false;
        }
        width = static_cast<std::int32_t>(readLittle(file, 18, 4));
        height = static_cast<std::int32_t>(readLittle(file, 22, 4));
        bitCount = readLittle(file, 28, 2);
        compression = readLittle(file, 30, 4);
        statedDataSize = readLittle(file, 34, 4);
    }
    constexpr std::uint32_t kRgb = 0;
    constexpr std::uint32_t kBitFields = 3;
    constexpr std::uint32_t kAlphaBitFields = 6;
    std::uint64_t dataSize = statedDataSize;
    if (compression == kRgb || compression == kBitFields || compression == kAlphaBitFields) {
        const std::uint64_t stride = ((static_cast<std::uint64_t>(std::llabs(width)) * bitCount + 31) / 32) * 4;
        dataSize = stride * static_cast<std::uint64_t>(std::llabs(height));
    }
    return pixelOffset + dataSize <= file.size();
}

} // namespace ik5module
