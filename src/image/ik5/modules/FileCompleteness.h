// Checks that a JPEG, PNG or BMP file holds all of itself, and that a TIFF
// or WebP file is long enough for the picture its header states. Qt's decoders fill
// the missing part of a cut-off JPEG or BMP with grey or black and accept a
// PNG cut inside its end chunk, so the file module asks these first and
// refuses every truncated file.
#pragma once

#include <cstdint>
#include <span>

namespace ik5module {

// True when the bytes, read from the start-of-image marker, reach an
// end-of-image marker: every segment and entropy-coded scan is complete.
bool jpegIsComplete(std::span<const std::uint8_t> file);

// True when the chunks after the signature are complete up to IEND.
bool pngIsComplete(std::span<const std::uint8_t> file);

// False when the PNG's compressed data (its IDAT chunks) is too short for
// the picture its header states; true otherwise, and for a header it cannot
// read (the decoder judges those).
bool pngHoldsItsPixels(std::span<const std::uint8_t> file);

// False when the strips or tiles of the TIFF's first picture cannot hold the
// picture its header states, uncompressed or compressed with PackBits, LZW
// or deflate; true otherwise, and for a structure it cannot read.
bool tiffHoldsItsPixels(std::span<const std::uint8_t> file);

// False when a lossy (VP8) WebP still picture is too short for the
// macroblocks its frame header states; true otherwise.
bool webpHoldsItsPixels(std::span<const std::uint8_t> file);

// True when the file is at least as long as its headers say its pixel data
// ends (uncompressed rows, or the stated size of RLE data).
bool bmpIsComplete(std::span<const std::uint8_t> file);

} // namespace ik5module
