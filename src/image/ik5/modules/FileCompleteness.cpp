// Structural completeness checks for JPEG, PNG and BMP files, and size
// checks for TIFF and WebP; they read the bytes only and never look further
// than the span.
#include "FileCompleteness.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "JpegStructure.h"
#include "TiffStructure.h"

namespace ik5module {
namespace {

constexpr std::uint8_t kMarker = 0xFF;

// Deflate's most expansion; see pngHoldsItsPixels.
constexpr std::uint64_t kDeflateExpansion = 1032;

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

// The most bytes one compressed byte of a TIFF strip or tile can unpack to:
//   PackBits: a run is a count byte and one value byte for at most 128
//     bytes, a literal gives fewer bytes than it takes: 64.
//   deflate: 1032, as for PNG.
//   LZW: every code takes at least 9 bits and stands for at most as many
//     bytes as libtiff's table has entries (5119, the 4096 codes and its
//     slack): 5119 * 8 / 9, under 4551.
// Nothing for the other compressions: JPEG may be arithmetic coded, and the
// fax codes (T.6), JBIG and LZMA can code a row or a block in a bit or less;
// only the pixel limit bounds them and any compression not named here.
std::optional<std::uint64_t> tiffExpansion(std::uint32_t compression)
{
    switch (compression) {
    case 1: // none
        return 1;
    case 32773: // PackBits
        return 64;
    case 8: // deflate, as Adobe named it
    case 32946: // deflate
        return kDeflateExpansion;
    case 5: // LZW
        return 4551;
    default:
        return std::nullopt;
    }
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

// Each strip (or tile) unpacks to at most its compressed bytes times the
// expansion, and never to more than its rows (or tile) of pixels; together
// they must reach the picture's pixel data. The compressed bytes of a block
// are those before the end of the file, counted by StripByteCounts where
// libtiff reads those as they stand: compressed blocks of a picture with
// more than one. Otherwise libtiff may correct the counts from the file
// (missing, or wrong for one strip or for uncompressed data), so the block
// may take everything to the file's end. Blocks may share bytes; each is
// counted, so such a file is judged as libtiff reads it.
bool tiffHoldsItsPixels(std::span<const std::uint8_t> file)
{
    const TiffReader tiff(file);
    if (!tiff.valid()) {
        return true;
    }
    const std::size_t ifd = tiff.read(4, 4);
    const std::uint64_t width = tiff.entry(ifd, TiffReader::kImageWidth).value_or(0);
    const std::uint64_t height = tiff.entry(ifd, TiffReader::kImageLength).value_or(0);
    const std::uint64_t bits = tiff.entry(ifd, TiffReader::kBitsPerSample).value_or(1);
    const std::uint64_t samples = tiff.entry(ifd, TiffReader::kSamplesPerPixel).value_or(1);
    const std::optional<std::uint64_t> expansion = tiffExpansion(tiff.entry(ifd, TiffReader::kCompression).value_or(1));
    constexpr std::uint64_t kMostSamples = 64;
    // Pictures past these are refused by the pixel limit or by libtiff.
    if (!expansion || width == 0 || height == 0 || width * height > (std::uint64_t{1} << 32) || bits > kMostSamples
        || samples > kMostSamples) {
        return true;
    }
    // YCbCr may store its colour at a sixteenth of the pixels: only the
    // brightness is sure to be there.
    constexpr std::uint32_t kYCbCr = 6;
    const bool ycbcr = tiff.entry(ifd, TiffReader::kPhotometric).value_or(0) == kYCbCr;
    const std::uint64_t leastData = width * (ycbcr ? 1 : samples) * bits / 8 * height;

    const bool tiled = tiff.field(ifd, TiffReader::kTileOffsets).has_value();
    const std::optional<TiffField> offsets = tiff.field(ifd, tiled ? TiffReader::kTileOffsets : TiffReader::kStripOffsets);
    const std::optional<TiffField> counts =
        tiff.field(ifd, tiled ? TiffReader::kTileByteCounts : TiffReader::kStripByteCounts);
    if (!offsets || offsets->count == 0
        || offsets->at + std::uint64_t{offsets->count} * static_cast<std::uint64_t>(offsets->size) > file.size()) {
        return true; // libtiff refuses a directory without its blocks
    }
    const bool countsStand = *expansion > 1 && offsets->count > 1 && counts && counts->count >= offsets->count
                             && counts->at + std::uint64_t{counts->count} * static_cast<std::uint64_t>(counts->size)
                                    <= file.size();
    // The most a block unpacks to: its rows of pixels, or its tile.
    const std::uint64_t blockWidth =
        tiled ? std::min<std::uint64_t>(tiff.entry(ifd, TiffReader::kTileWidth).value_or(0), width) : width;
    const std::uint64_t blockHeight = std::min<std::uint64_t>(
        tiff.entry(ifd, tiled ? TiffReader::kTileLength : TiffReader::kRowsPerStrip).value_or(0xFFFFFFFFu), height);
    if (blockWidth == 0 || blockHeight == 0) {
        return true; // libtiff decides what a block of no size means
    }
    const std::uint64_t blockData = (blockWidth * samples * bits + 7) / 8 * blockHeight;
    std::uint64_t unpacked = 0;
    for (std::uint32_t i = 0; i < offsets->count && unpacked < leastData; ++i) {
        const std::uint64_t offset = tiff.value(*offsets, i);
        std::uint64_t compressed = offset < file.size() ? file.size() - offset : 0;
        if (countsStand) {
            compressed = std::min<std::uint64_t>(compressed, tiff.value(*counts, i));
        }
        unpacked += std::min(compressed * *expansion, blockData);
    }
    return unpacked >= leastData;
}

// A VP8 key frame codes every macroblock's brightness and colour modes with
// the boolean coder, each starting with a bit of fixed probability: 145/256
// and 142/256 that it is 0. Before a bit the coder's range is 128 to 255; a
// bit of probability p/256 leaves at most p/256 + (256 - p)/(256 * 128) of
// the range when it is 0, and (256 - p)/256 + (p - 1)/(256 * 128) when it is
// 1. So a macroblock leaves at most 0.5698 * 0.5582 < 0.3181 of the range:
// it shifts in at least 1.65 bits of the first partition, which libwebp
// refuses to read past. The file must hold a fifth of a byte per macroblock.
// Lossless (VP8L) pictures have no such bound: a Huffman code of one symbol
// takes no bits, so any size can be coded in a few bytes. Nor do animations,
// whose frames may be smaller than the canvas.
bool webpHoldsItsPixels(std::span<const std::uint8_t> file)
{
    const auto isAt = [&](std::size_t at, std::string_view text) {
        return at + text.size() <= file.size()
               && std::equal(text.begin(), text.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                             [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
    };
    if (!isAt(0, "RIFF") || !isAt(8, "WEBP")) {
        return true;
    }
    constexpr std::size_t kFirstChunk = 12;
    constexpr std::size_t kChunkHeader = 8;
    constexpr std::uint8_t kAnimation = 0x02;
    if (isAt(kFirstChunk, "VP8X") && file.size() > kFirstChunk + kChunkHeader
        && (file[kFirstChunk + kChunkHeader] & kAnimation) != 0) {
        return true;
    }
    for (std::size_t at = kFirstChunk; at + kChunkHeader <= file.size();) {
        const std::uint64_t size = readLittle(file, at + 4, 4);
        const std::size_t frame = at + kChunkHeader;
        if (isAt(at, "VP8 ")) {
            // A key frame: 3 bytes of frame tag, the start code, then the sides.
            if (frame + 10 > file.size() || (file[frame] & 1) != 0 || !isAt(frame + 3, "\x9d\x01\x2a")) {
                return true;
            }
            const std::uint64_t width = readLittle(file, frame + 6, 2) & 0x3FFF;
            const std::uint64_t height = readLittle(file, frame + 8, 2) & 0x3FFF;
            const std::uint64_t macroblocks = ((width + 15) / 16) * ((height + 15) / 16);
            return file.size() * 5 >= macroblocks;
        }
        at = static_cast<std::size_t>(std::min<std::uint64_t>(frame + size + (size & 1), file.size()));
    }
    return true;
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
