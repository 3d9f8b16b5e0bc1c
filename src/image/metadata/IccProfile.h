// The description of an ICC colour profile (its 'desc' tag), read from the
// profile's bytes as a file gives them. Every offset and count is checked
// against the bytes at hand, so a damaged or hostile profile gives an empty
// name, never a read outside the buffer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace metadata {

// The profile's description as printable UTF-8 (version 2 'desc' text or
// version 4 'mluc', English preferred), at most kMaxDescriptionBytes long;
// empty when the profile has none that can be read.
std::string iccProfileDescription(std::span<const std::uint8_t> profile);

inline constexpr std::size_t kMaxDescriptionBytes = 256;

// True when the profile's header names RGB as the colour space of the pixels
// it describes (it may still be damaged elsewhere).
bool iccDescribesRgb(std::span<const std::uint8_t> profile);

// `text` with control characters and invalid UTF-8 each replaced by '?',
// cut at a character boundary to at most `maxBytes` bytes: safe to print on
// a terminal whatever a file put in it.
std::string printableText(std::string_view text, std::size_t maxBytes = kMaxDescriptionBytes);

} // namespace metadata
