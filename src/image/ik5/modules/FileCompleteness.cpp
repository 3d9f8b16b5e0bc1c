// Structural completeness checks for JPEG, PNG and BMP files; they read the bytes
// only and never look further than the span.
#include "FileCompleteness.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "JpegStructure.h"

namespace ik5module {
namespace {

constexpr std::uint8_t kMarker = 0xFF;

// Moves past the entropy-coded data of a scan to the next marker: stuffed
// bytes (FF 00) and restart markers belong to the scan. False at end of file.
bool skipScanData(std::span<const std::uint8_t> file, std::size_t& pos)
{
    while (pos + 1 < file.size()) {
        // Scan data is mostly other bytes: find the next FF at memchr's pace.
        const void* found = std::memchr(file.data() + pos, kMarker, file.size() - 1 - pos);
        if (found == nullptr) {
            return false;
        }
        pos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - file.data());
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
    JpegSegments segments(file);
    if (!segments.startsRight()) {
        return false;
    }
    while (const std::optional<JpegSegment> segment = segments.next()) {
        if (segment->code == kJpegEndOfImage) {
            return true;
        }
        if (segment->code == kJpegStartOfScan && !skipScanData(file, segments.position)) {
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

// Deflate codes every symbol in at least one bit, and at most 258 bytes (a
// match: a length code and a distance code of at least one bit each) in
// two, so no stream expands more than 258 * 8 / 2 = 1032 times. The picture
// unpacks to at least width x height x bits-per-pixel / 8 bytes, filter bytes
// and interlacing only adding, so IDAT must hold at least that / 1032 bytes.
bool pngHoldsItsPixels(std::span<const std::uint8_t> file)
{
    constexpr std::size_t kHeaderEnd = 8 + 8 + 13; // signature, chunk length and type, IHDR data
    constexpr std::uint64_t kMaxSide = std::uint64_t{1} << 28;
    if (file.size() < kHeaderEnd || std::string_view(reinterpret_cast<const char*>(file.data()) + 12, 4) != "IHDR") {
        return true;
    }
    const auto bigEndian = [&](std::size_t at) {
        return (std::uint64_t{file[at]} << 24) | (std::uint64_t{file[at + 1]} << 16) | (std::uint64_t{file[at + 2]} << 8)
               | file[at + 3];
    };
    const std::uint64_t width = bigEndian(16);
    const std::uint64_t height = bigEndian(20);
    const std::uint64_t bitDepth = file[24];
    if (width > kMaxSide || height > kMaxSide) {
        return true; // the pixel limit refuses these
    }
    std::uint64_t channels = 0;
    switch (file[25]) {
    case 0: // grey
    case 3: // palette
        channels = 1;
        break;
    case 2: // RGB
        channels = 3;
        break;
    case 4: // grey and alpha
        channels = 2;
        break;
    case 6: // RGBA
        channels = 4;
        break;
    default:
        return true;
    }
    constexpr std::uint64_t kDeflateExpansion = 1032;
    const std::uint64_t leastUnpacked = width * height * channels * bitDepth / 8;
    std::uint64_t compressed = 0;
    for (std::size_t pos = 8; pos + 12 <= file.size();) {
        const std::uint64_t length = bigEndian(pos);
        if (std::string_view(reinterpret_cast<const char*>(file.data()) + pos + 4, 4) == "IDAT") {
            compressed += length;
        }
        pos += static_cast<std::size_t>(std::min<std::uint64_t>(length + 12, file.size()));
    }
    return compressed * kDeflateExpansion >= leastUnpacked;
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
