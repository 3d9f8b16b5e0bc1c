// Decoding and encoding JPEG files with TurboJPEG. A colour picture in its
// stored orientation (or flipped top to bottom) is decoded straight into the
// DIB's rows; mirrored pictures are mirrored there row by row in place; only
// the quarter turns, CMYK and profiled grey pass through one top-down buffer.
#include "JpegCodec.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "ColourConversion.h"
#include "Refusal.h"
#include "Upright.h"
#include "image/HugePages.h"
#include "image/LittleCms.h"

namespace ik5module {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboHandle = std::unique_ptr<void, HandleCloser>;

// The decoder's pixel format for a frame of `components` components.
enum class Channels : int { Grey = 1, Colour = 3, Cmyk = 4 };

// A grey ICC profile names its colour space "GRAY" at byte 16.
bool describesGrey(std::span<const std::uint8_t> profile)
{
    return profile.size() >= 20 && std::memcmp(profile.data() + 16, "GRAY", 4) == 0;
}

// Reverses the pixels of each of `rows` rows in place.
void mirrorRows(std::uint8_t* first, std::size_t stride, int rows, int width, int pixelBytes)
{
    const auto size = static_cast<std::size_t>(pixelBytes);
    for (int y = 0; y < rows; ++y) {
        std::uint8_t* left = first + static_cast<std::size_t>(y) * stride;
        std::uint8_t* right = left + (static_cast<std::size_t>(width) - 1) * size;
        for (; left < right; left += size, right -= size) {
            std::swap_ranges(left, left + size, right);
        }
    }
}

Channels channelsOf(const JpegFrame& frame)
{
    switch (frame.components.size()) {
    case 1:
        return Channels::Grey;
    case 3:
        return Channels::Colour;
    case 4:
        return Channels::Cmyk;
    default:
        // Two components, or more than four: no picture the decoder can give.
        refuse(FileError::Damaged);
    }
}

int pixelFormatOf(Channels channels)
{
    switch (channels) {
    case Channels::Grey:
        return TJPF_GRAY;
    case Channels::Cmyk:
        return TJPF_CMYK;
    case Channels::Colour:
        break;
    }
    return TJPF_BGR;
}

// Runs the decoder into `target` (rows `pitch` bytes apart, bottom-up with
// TJFLAG_BOTTOMUP); true when it found the data corrupt but gave the picture.
bool runDecoder(std::span<const std::uint8_t> file, const JpegHeader& header, Channels channels,
                std::uint8_t* target, std::size_t pitch, int flags)
{
    const TurboHandle decoder(tjInitDecompress());
    if (!decoder) {
        throw std::bad_alloc();
    }
    const JpegFrame& frame = header.layout.frame;
    // TJFLAG_LIMITSCANS: a progressive file of hundreds of scans, which could
    // keep the decoder busy for minutes, is refused.
    const int status = tjDecompress2(decoder.get(), file.data(), file.size(), target, frame.width,
                                     static_cast<int>(pitch), frame.height, pixelFormatOf(channels),
                                     flags | TJFLAG_ACCURATEDCT | TJFLAG_LIMITSCANS);
    if (status == 0) {
        return false;
    }
    if (tjGetErrorCode(decoder.get()) == TJERR_WARNING) {
        return true;
    }
    refuse(FileError::Damaged);
}

void fillGreyTable(const DibView& dib)
{
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<std::uint8_t>(i);
        dib.colourTable[i] = RGBQUAD{level, level, level, 0};
    }
}

OwnedDib allocated(int width, int height, int bitCount)
{
    OwnedDib dib(allocateDib(width, height, bitCount));
    if (!dib) {
        // The size was accepted with the header: only memory can be missing.
        refuse(FileError::OutOfMemory);
    }
    return dib;
}

// A colour or grey picture into `rows` (bottom-up, `stride` bytes apart) as
// `channels` (grey rows stay grey; Colour gives blue, green, red, also from
// a grey file): orientations 1 to 4 decode into the rows in the order that
// stands them upright (1 and 2 bottom-up, 3 and 4 top-down), 2 and 3 then
// mirror each row; the quarter turns go through a top-down buffer. True
// when the decoder found the data corrupt.
bool decodeUpright(std::span<const std::uint8_t> file, const JpegHeader& header, Channels channels, std::uint8_t* rows,
                   std::size_t stride)
{
    const JpegFrame& frame = header.layout.frame;
    const int orientation = header.layout.orientation;
    const int pixelBytes = static_cast<int>(channels);
    if (orientation <= 4) {
        const int flags = orientation <= 2 ? TJFLAG_BOTTOMUP : 0;
        const bool damaged = runDecoder(file, header, channels, rows, stride, flags);
        if (orientation == 2 || orientation == 3) {
            mirrorRows(rows, stride, header.height, header.width, pixelBytes);
        }
        return damaged;
    }
    const std::size_t storedStride = static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(pixelBytes);
    const auto stored = std::make_unique_for_overwrite<std::uint8_t[]>(storedStride * static_cast<std::size_t>(frame.height));
    const bool damaged = runDecoder(file, header, channels, stored.get(), storedStride, 0);
    copyUpright(stored.get(), frame.width, frame.height, pixelBytes, orientation,
                rows + static_cast<std::size_t>(header.height - 1) * stride, -static_cast<std::ptrdiff_t>(stride));
    return damaged;
}

// The outcome of a picture decoded straight: a colour picture keeps its
// profile when it describes RGB pixels; any other profile it carries is
// dropped with NoteProfileIgnored, as an unusable one of a grey or CMYK
// picture is.
DecodedJpeg straightOutcome(const JpegHeader& header, Channels channels, bool damaged)
{
    DecodedJpeg decoded;
    const std::vector<std::uint8_t>& embedded = header.layout.iccProfile;
    if (channels == Channels::Colour && lcms::openProfile(embedded, cmsSigRgbData)) {
        decoded.profile = embedded;
    }
    const bool ignored = !embedded.empty() && decoded.profile.empty();
    decoded.notes = (damaged ? LoadNotes{NoteDamagedData} : LoadNotes{0})
                    | (ignored ? LoadNotes{NoteProfileIgnored} : LoadNotes{0});
    return decoded;
}

// CMYK, and grey described by a grey profile: decoded top-down, turned
// upright, and converted to sRGB through the file's profile.
DecodedJpeg decodeAndConvert(std::span<const std::uint8_t> file, const JpegHeader& header, Channels channels)
{
    const JpegFrame& frame = header.layout.frame;
    const int orientation = header.layout.orientation;
    const auto pixelBytes = static_cast<std::size_t>(channels);
    const std::size_t pixels = static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
    auto stored = std::make_unique_for_overwrite<std::uint8_t[]>(pixels * pixelBytes);
    const bool damaged = runDecoder(file, header, channels, stored.get(), pixelBytes * static_cast<std::size_t>(frame.width), 0);
    if (orientation != 1) {
        auto upright = std::make_unique_for_overwrite<std::uint8_t[]>(pixels * pixelBytes);
        copyUpright(stored.get(), frame.width, frame.height, static_cast<int>(pixelBytes), orientation, upright.get(),
                    static_cast<std::ptrdiff_t>(pixelBytes) * header.width);
        stored = std::move(upright);
    }
    const ConvertedPicture converted = convertToDib(
        {header.width, header.height, channels == Channels::Cmyk ? DecodedLayout::Cmyk8 : DecodedLayout::Grey8,
         header.layout.adobe, std::span<const std::uint8_t>(stored.get(), pixels * pixelBytes), 0,
         header.layout.iccProfile});
    DecodedJpeg decoded;
    decoded.dib.reset(converted.dib);
    if (!decoded.dib) {
        refuse(FileError::OutOfMemory);
    }
    decoded.profile = converted.profile;
    decoded.notes = (damaged ? LoadNotes{NoteDamagedData} : LoadNotes{0})
                    | (converted.convertedToSrgb ? LoadNotes{NoteConvertedToSrgb} : LoadNotes{0})
                    | (converted.standardProfileUsed ? LoadNotes{NoteProfileIgnored} : LoadNotes{0});
    return decoded;
}

} // namespace

void DibFree::operator()(void* dib) const
{
    std::free(dib);
}

void TurboFree::operator()(unsigned char* bytes) const
{
    tjFree(bytes);
}

void checkJpegFrame(const JpegLayout& layout, std::uint64_t fileBytes)
{
    const JpegFrame& frame = layout.frame;
    // No size at all (or one left to a later marker, which the decoder does
    // not read) is damage, not size.
    if (frame.width <= 0 || frame.height <= 0) {
        refuse(FileError::Damaged);
    }
    if (!acceptableSize(frame.width, frame.height)) {
        throw Refusal{FileProblem{FileError::TooLarge, {}, frame.width, frame.height, kMaxPixels}};
    }
    // Beyond the coded data, 256 MB for the other scans' headers and tables,
    // metadata and what cameras append after the picture (a second picture,
    // a short film).
    constexpr std::uint64_t kBesidesCodedData = std::uint64_t{256} << 20;
    const std::uint64_t most = mostCodedBytes(frame);
    const std::uint64_t coded = fileBytes - layout.scanDataOffset;
    if (coded < leastCodedBytes(frame) || (most != 0 && coded > most + kBesidesCodedData)) {
        refuse(FileError::Damaged);
    }
}

JpegHeader readJpegHeader(std::span<const std::uint8_t> file)
{
    std::optional<JpegLayout> layout = readJpegLayout(file);
    if (!layout) {
        refuse(FileError::Damaged);
    }
    JpegHeader header;
    header.layout = std::move(*layout);
    checkJpegFrame(header.layout, file.size());
    const JpegFrame& frame = header.layout.frame;
    const Channels channels = channelsOf(frame);
    const bool turned = header.layout.orientation >= 5;
    header.width = turned ? frame.height : frame.width;
    header.height = turned ? frame.width : frame.height;
    header.bitCount = channels == Channels::Grey && !describesGrey(header.layout.iccProfile) ? 8 : 24;
    return header;
}

bool decodesStraight(const JpegHeader& header)
{
    const Channels channels = channelsOf(header.layout.frame);
    return channels == Channels::Colour || (channels == Channels::Grey && header.bitCount == 8);
}

DecodedJpeg decodeJpeg(std::span<const std::uint8_t> file, const JpegHeader& header)
{
    const Channels channels = channelsOf(header.layout.frame);
    if (!decodesStraight(header)) {
        return decodeAndConvert(file, header, channels);
    }
    OwnedDib owned = allocated(header.width, header.height, header.bitCount);
    const DibView dib = *viewDib(owned.get());
    const bool damaged = decodeUpright(file, header, channels, dib.pixels, dib.stride);
    if (channels == Channels::Grey) {
        fillGreyTable(dib);
    }
    DecodedJpeg decoded = straightOutcome(header, channels, damaged);
    decoded.dib = std::move(owned);
    return decoded;
}

DecodedJpeg decodeJpegInto(std::span<const std::uint8_t> file, const JpegHeader& header, std::uint8_t* pixels)
{
    const bool damaged = decodeUpright(file, header, Channels::Colour, pixels, dibStride(header.width, 24));
    return straightOutcome(header, channelsOf(header.layout.frame), damaged);
}

std::optional<EncodedJpeg> encodeJpeg(const std::uint8_t* pixels, int width, int height, std::size_t stride, int quality)
{
    const TurboHandle encoder(tjInitCompress());
    if (!encoder) {
        return std::nullopt;
    }
    // TurboJPEG's worst-case buffer, given up front so that the part the
    // file fills lies on huge pages; TurboJPEG allocates its own otherwise.
    unsigned long size = tjBufSize(width, height, TJSAMP_420);
    unsigned char* bytes = nullptr;
    if (size <= static_cast<unsigned long>(std::numeric_limits<int>::max())) {
        bytes = tjAlloc(static_cast<int>(size));
        hugepages::advise(bytes, bytes == nullptr ? 0 : size);
    }
    size = bytes == nullptr ? 0 : size;
    const int status = tjCompress2(encoder.get(), pixels, width, static_cast<int>(stride), height, TJPF_BGR, &bytes,
                                   &size, TJSAMP_420, std::max(quality, 1), TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT);
    EncodedJpeg encoded{std::unique_ptr<unsigned char, TurboFree>(bytes), size};
    if (status != 0) {
        return std::nullopt;
    }
    return encoded;
}

} // namespace ik5module
