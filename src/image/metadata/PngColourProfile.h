// Exiv2 0.27 writes a PNG's colour profile as an iCCP chunk with an empty
// profile name, which the PNG format forbids and libpng (and so most
// colour-managed viewers) rejects. This names such a chunk.
#pragma once

#include <cstdint>
#include <vector>

namespace metadata {

// The name given to an unnamed profile.
inline constexpr const char* kPngProfileName = "ICC profile";

// Gives every iCCP chunk of the PNG file `png` with an empty name the name
// kPngProfileName, with its length and CRC made to match. A file that is not
// a well-formed chain of chunks up to its end is left as it is.
void nameUnnamedPngProfile(std::vector<std::uint8_t>& png);

} // namespace metadata
