// Reading a JPEG file's segments up to its first scan, and the least size of
// its coded data. Reads only the span it is given.
#include "JpegStructure.h"

#include <algorithm>
#include <cstring>

namespace ik5module {
namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr std::uint8_t kApp14 = 0xEE;

bool isStandaloneMarker(std::uint8_t code)
{
    return code == 0x01 || (code >= 0xD0 && code <= 0xD8);
}

// SOF0 .. SOF15 without DHT (C4), JPG (C8) and DAC (CC).
bool isStartOfFrame(std::uint8_t code)
{
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

std::uint32_t bigEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

bool startsWith(std::span<const std::uint8_t> bytes, const char* prefix, std::size_t length)
{
    return bytes.size() >= length && std::memcmp(bytes.data(), prefix, length) == 0;
}

std::optional<JpegFrame> frameOf(std::uint8_t code, std::span<const std::uint8_t> payload)
{
    // Precision, height, width, component count, then three bytes a component.
    if (payload.size() < 6) {
        return std::nullopt;
    }
    JpegFrame frame;
    frame.marker = code;
    frame.height = static_cast<int>(bigEndian(payload, 1, 2));
    frame.width = static_cast<int>(bigEndian(payload, 3, 2));
    const std::size_t count = payload[5];
    if (count == 0 || payload.size() < 6 + 3 * count) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t factors = payload[6 + 3 * i + 1];
        const int horizontal = factors >> 4;
        const int vertical = factors & 0x0F;
        if (horizontal < 1 || horizontal > 4 || vertical < 1 || vertical > 4) {
            return std::nullopt;
        }
        frame.components.push_back({horizontal, vertical});
    }
    return frame;
}

// The orientation in an APP1 segment, read as the common decoders read it:
// a SHORT tag 0x0112 with one value 1..8 among IFD0's entries; 1 otherwise.
int exifOrientation(std::span<const std::uint8_t> payload)
{
    constexpr std::size_t kExifHeader = 6; // "Exif\0\0"
    if (!startsWith(payload, "Exif\0\0", kExifHeader) || payload.size() < kExifHeader + 8) {
        return 1;
    }
    const std::span<const std::uint8_t> tiff = payload.subspan(kExifHeader);
    bool little = false;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
        little = true;
    } else if (!(tiff[0] == 'M' && tiff[1] == 'M')) {
        return 1;
    }
    const auto read = [&](std::size_t at, int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            const std::uint32_t byte = tiff[at + static_cast<std::size_t>(little ? count - 1 - i : i)];
            value = (value << 8) | byte;
        }
        return value;
    };
    if (read(2, 2) != 42) {
        return 1;
    }
    const std::size_t directory = read(4, 4);
    if (directory > tiff.size() || tiff.size() - directory < 2) {
        return 1;
    }
    const std::size_t entries = read(directory, 2);
    constexpr std::size_t kEntryBytes = 12;
    constexpr std::uint32_t kOrientationTag = 0x0112;
    constexpr std::uint32_t kShort = 3;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + i * kEntryBytes;
        if (entry + kEntryBytes > tiff.size()) {
            return 1;
        }
        if (read(entry, 2) == kOrientationTag) {
            const std::uint32_t value = read(entry + 8, 2);
            const bool valid = read(entry + 2, 2) == kShort && read(entry + 4, 4) == 1 && value >= 1 && value <= 8;
            return valid ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

// The ICC profile split over APP2 "ICC_PROFILE" chunks, each numbered 1..N
// of N: joined in their order when every chunk is there exactly once.
class IccChunks {
public:
    void add(std::span<const std::uint8_t> payload)
    {
        constexpr std::size_t kTag = 12; // "ICC_PROFILE\0"
        if (!startsWith(payload, "ICC_PROFILE\0", kTag)) {
            return;
        }
        if (payload.size() < kTag + 2) {
            broken_ = true;
            return;
        }
        chunks_.push_back({payload[kTag], payload[kTag + 1], payload.subspan(kTag + 2)});
    }

    std::vector<std::uint8_t> joined()
    {
        if (broken_ || chunks_.empty()) {
            return {};
        }
        const std::size_t count = chunks_.front().count;
        std::sort(chunks_.begin(), chunks_.end(), [](const Chunk& a, const Chunk& b) { return a.number < b.number; });
        std::vector<std::uint8_t> profile;
        for (std::size_t i = 0; i < chunks_.size(); ++i) {
            if (chunks_[i].count != count || chunks_[i].number != i + 1) {
                return {};
            }
            profile.insert(profile.end(), chunks_[i].data.begin(), chunks_[i].data.end());
        }
        return chunks_.size() == count ? profile : std::vector<std::uint8_t>{};
    }

private:
    struct Chunk {
        std::size_t number;
        std::size_t count;
        std::span<const std::uint8_t> data;
    };
    std::vector<Chunk> chunks_;
    bool broken_ = false;
};

} // namespace

bool JpegSegments::startsRight() const
{
    return file_.size() >= 4 && file_[0] == kMarker && file_[1] == kJpegStartOfImage;
}

std::optional<JpegSegment> JpegSegments::next()
{
    while (position < file_.size() && file_[position] != kMarker) {
        ++position;
    }
    while (position < file_.size() && file_[position] == kMarker) {
        ++position;
    }
    if (position >= file_.size()) {
        return std::nullopt;
    }
    JpegSegment segment;
    segment.code = file_[position++];
    if (isStandaloneMarker(segment.code) || segment.code == kJpegEndOfImage) {
        return segment;
    }
    if (position + 2 > file_.size()) {
        return std::nullopt;
    }
    const std::size_t length = bigEndian(file_, position, 2);
    if (length < 2 || position + length > file_.size()) {
        return std::nullopt;
    }
    segment.payload = file_.subspan(position + 2, length - 2);
    position += length;
    return segment;
}

std::optional<JpegLayout> readJpegLayout(std::span<const std::uint8_t> file)
{
    JpegSegments segments(file);
    if (!segments.startsRight()) {
        return std::nullopt;
    }
    JpegLayout layout;
    bool haveFrame = false;
    bool seenApp1 = false;
    IccChunks icc;
    while (const std::optional<JpegSegment> segment = segments.next()) {
        const std::uint8_t code = segment->code;
        const std::span<const std::uint8_t> payload = segment->payload;
        if (code == kJpegEndOfImage) {
            return std::nullopt;
        }
        if (isStartOfFrame(code) && !haveFrame) {
            std::optional<JpegFrame> frame = frameOf(code, payload);
            if (!frame) {
                return std::nullopt;
            }
            layout.frame = std::move(*frame);
            haveFrame = true;
        } else if (code == kApp1 && !seenApp1) {
            seenApp1 = true;
            layout.orientation = exifOrientation(payload);
        } else if (code == kApp2) {
            icc.add(payload);
        } else if (code == kApp14 && payload.size() >= 12 && startsWith(payload, "Adobe", 5)) {
            layout.adobe = true;
        } else if (code == kJpegStartOfScan) {
            if (!haveFrame) {
                return std::nullopt;
            }
            layout.scanDataOffset = segments.position;
            layout.iccProfile = icc.joined();
            return layout;
        }
    }
    return std::nullopt;
}

namespace {

// The 8 x 8 blocks of all components of a whole picture of `frame`: a
// component sampled h x v of the largest factors hmax x vmax has
// ceil(width * h / (8 * hmax)) x ceil(height * v / (8 * vmax)) blocks.
// `padded`: as an interleaved scan codes them, h x v blocks in each of
// ceil(width / (8 * hmax)) x ceil(height / (8 * vmax)) MCUs, which is never
// fewer.
std::uint64_t codedBlocks(const JpegFrame& frame, bool padded)
{
    int largestHorizontal = 1;
    int largestVertical = 1;
    for (const JpegFrame::Sampling& sampling : frame.components) {
        largestHorizontal = std::max(largestHorizontal, sampling.horizontal);
        largestVertical = std::max(largestVertical, sampling.vertical);
    }
    const auto blocksAlong = [padded](std::uint64_t size, int factor, int largest) {
        const std::uint64_t span = 8 * static_cast<std::uint64_t>(largest);
        return padded ? (size + span - 1) / span * static_cast<std::uint64_t>(factor)
                      : (size * static_cast<std::uint64_t>(factor) + span - 1) / span;
    };
    std::uint64_t blocks = 0;
    for (const JpegFrame::Sampling& sampling : frame.components) {
        blocks += blocksAlong(static_cast<std::uint64_t>(frame.width), sampling.horizontal, largestHorizontal)
                  * blocksAlong(static_cast<std::uint64_t>(frame.height), sampling.vertical, largestVertical);
    }
    return blocks;
}

} // namespace

// The bound. A whole picture codes every 8 x 8 block of every component: a
// component sampled h x v of the largest factors hmax x vmax has
// ceil(width * h / (8 * hmax)) x ceil(height * v / (8 * vmax)) blocks (an
// interleaved scan codes these and some padding blocks besides, so counting
// only these stays below). Huffman codes are 1 to 16 bits long (a table
// defines lengths 1..16 only), and the decoder reads at least one code of at
// least one bit for each block it decodes:
//  - sequential (SOF0, SOF1): each component is coded in exactly one scan,
//    and each block there as a DC difference category code followed by AC
//    codes up to an end-of-block code or the 63rd coefficient, so at least
//    one DC and one AC code: at least 2 bits a block;
//  - progressive (SOF2): each component's DC coefficients come first, in a
//    DC scan that codes one category code for every block: at least 1 bit a
//    block (the later scans may code whole bands of blocks with one code, so
//    they add nothing provable).
// Byte stuffing (FF 00), restart markers and further scans only add bytes, so
// the data after the first scan header holds at least ceil(bits / 8) bytes.
// A decoder that runs out of data before this reports it, so no whole file is
// refused by the bound. Arithmetic coding (SOF9 .. SOF11) codes a likely
// decision in a small fraction of a bit, so it has no such bound; the pixel
// limit alone guards those, as it guards the lossless and hierarchical
// processes, which the decoder does not read.
std::uint64_t leastCodedBytes(const JpegFrame& frame)
{
    int bitsPerBlock = 0;
    switch (frame.marker) {
    case 0xC0:
    case 0xC1:
        bitsPerBlock = 2;
        break;
    case 0xC2:
        bitsPerBlock = 1;
        break;
    default:
        return 0;
    }
    return (codedBlocks(frame, false) * static_cast<std::uint64_t>(bitsPerBlock) + 7) / 8;
}

// The bound. A sequential scan codes a block as one DC code of at most 16
// bits with at most 15 bits of difference, and at most 63 AC codes of at
// most 16 bits with at most 14 bits of value each (12-bit samples; 8-bit
// ones take 4 bits fewer): at most 31 + 63 x 30 = 1921 bits, under 241
// bytes. Byte stuffing at most doubles the bytes, and a restart marker after
// every MCU adds at most 2 bytes a block: 484 bytes a block. A progressive
// file codes each coefficient's bits in one first scan and at most 13
// refinement scans (its successive approximation steps), each costing at
// most what the sequential scan spends on the coefficient, and at most
// 14 x 64 scans reach a block (one coefficient at each step), each adding
// at most one end-of-band code with its run (30 bits, 4 bytes): doubled for
// stuffing, 2 x (14 x 241 + 896 x 4) + 2 = 13 918 bytes a block.
std::uint64_t mostCodedBytes(const JpegFrame& frame)
{
    switch (frame.marker) {
    case 0xC0:
    case 0xC1:
        return codedBlocks(frame, true) * 484;
    case 0xC2:
        return codedBlocks(frame, true) * 13918;
    default:
        return 0;
    }
}

} // namespace ik5module
