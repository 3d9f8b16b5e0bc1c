// JPEG files through TurboJPEG, straight into and out of DIB blocks: the
// decoder writes the bottom-up blue-green-red rows of the DIB itself (grey
// pictures its 8-bit rows), turned upright by the EXIF orientation; CMYK and
// profiled grey pictures go through the colour conversion. The IDCT is the
// accurate integer one with smooth chroma upsampling, and the encoder writes
// baseline 4:2:0 with the accurate integer DCT, as Qt's reader and writer
// over libjpeg do, so pixels and files are the same bytes as theirs.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "DibBlock.h"
#include "JpegStructure.h"
#include "image/FileProblem.h"

namespace ik5module {

// What a JPEG file opens as, read from its headers alone.
struct JpegHeader {
    JpegLayout layout;
    int width = 0;  // upright, after the EXIF orientation
    int height = 0;
    int bitCount = 24; // of the DIB a decode gives: 8 for grey without a grey profile
};

// Refuses the frame of a file of `fileBytes` bytes whose segments up to the
// first scan are `layout`: TooLarge (with the size and the limit) above the
// pixel limit, Damaged when the file is too short to code the picture or
// far longer than any coding of it.
void checkJpegFrame(const JpegLayout& layout, std::uint64_t fileBytes);

// The headers of a JPEG file whose segments are all there (jpegIsComplete).
// Throws Refusal: Damaged for a malformed frame, an unsupported number of
// components or coded data too short for the frame; TooLarge (with the size
// and the limit) above the pixel limit. Nothing is allocated for the pixels.
JpegHeader readJpegHeader(std::span<const std::uint8_t> file);

struct DibFree {
    void operator()(void* dib) const;
};
using OwnedDib = std::unique_ptr<void, DibFree>;

struct DecodedJpeg {
    OwnedDib dib;
    std::vector<std::uint8_t> profile; // the ICC profile of the DIB's pixels; empty: sRGB
    LoadNotes notes = 0; // NoteDamagedData, NoteConvertedToSrgb, NoteProfileIgnored
};

// Decodes the file read by readJpegHeader. Data the decoder finds corrupt
// (a warning) still gives the picture, with NoteDamagedData. Throws Refusal
// (Damaged) when the decoder fails, (OutOfMemory) when memory runs out.
DecodedJpeg decodeJpeg(std::span<const std::uint8_t> file, const JpegHeader& header);

// True when the picture decodes straight into 24-bit rows: colour, and grey
// without a grey profile (as blue = green = red); CMYK and profiled grey
// are converted instead.
bool decodesStraight(const JpegHeader& header);

// decodeJpeg of a picture that decodesStraight, into `pixels`: the
// header's height of 24-bit rows, bottom-up, padded to a multiple of 4
// bytes. The result holds no DIB.
DecodedJpeg decodeJpegInto(std::span<const std::uint8_t> file, const JpegHeader& header, std::uint8_t* pixels);

struct TurboFree {
    void operator()(unsigned char* bytes) const;
};

struct EncodedJpeg {
    std::unique_ptr<unsigned char, TurboFree> bytes;
    std::size_t size = 0;
};

// `height` rows of `width` blue-green-red pixels, bottom-up, `stride` bytes
// apart, as a JPEG file at `quality` 0..100 (0 codes as 1); nothing when the
// encoder refuses them (a side above 65500 pixels, no memory).
std::optional<EncodedJpeg> encodeJpeg(const std::uint8_t* pixels, int width, int height, std::size_t stride,
                                      int quality);

} // namespace ik5module
