// ICC profiles made with Little CMS, as phones and other programs embed
// them, for the tests and benchmarks of colour-managed loading and display.
#pragma once

#include <cstdint>
#include <vector>

#include <lcms2.h>

namespace testsupport {

// The profile's ICC bytes, as a file embeds them; the profile is closed.
std::vector<std::uint8_t> iccBytes(cmsHPROFILE profile);

// Display P3 (the P3 primaries, D65 white, sRGB's tone curve), as phones tag their photos.
std::vector<std::uint8_t> displayP3Profile();

} // namespace testsupport
