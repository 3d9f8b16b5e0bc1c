// Recognises files by their first bytes: the name of a picture format the
// module does not read, and camera raw files, which often have the structure
// of a TIFF whose main picture is only a small preview. Every read is
// checked against the bytes at hand.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ik5module {

// The usual name of the picture format the bytes start with ("GIF", "WebP",
// "HEIF", ...); empty when none is recognised.
std::string formatName(std::span<const std::uint8_t> file);

// True when the bytes start like a JPEG, PNG, TIFF or BMP file (one cut
// short or damaged so that no decoder takes it).
bool startsLikeReadFormat(std::span<const std::uint8_t> file);

// The number of pictures (main directories) of a TIFF file; 0 for other files.
int tiffPageCount(std::span<const std::uint8_t> file);

// For a camera raw file, its kind ("DNG", "NEF", ...; empty when it is raw
// of no known kind); nothing for any other file. `path` gives the kind by
// its extension where the bytes do not.
std::optional<std::string> cameraRawKind(std::span<const std::uint8_t> file, const std::string& path);

} // namespace ik5module
