// The colours a screen shows: pixels described by a photo's ICC profile
// converted by Little CMS to the display's profile (sRGB unless a monitor
// profile is named). Only what is painted is converted; the planes the engine
// works on and saves keep the file's values. When the photo's colours are
// already the display's, there is no transform and painting costs nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace display {

class ColourTransform;

// Names the display's ICC profile for every later paint (the bytes of a
// monitor profile file; empty: sRGB). False, with sRGB in force, when Little
// CMS cannot read it as an RGB display profile.
bool setDisplayProfile(std::span<const std::uint8_t> profile);

// The transform from `photoProfile` (empty: sRGB) to the display's profile;
// null when none is needed (the two describe the same colours, or the photo's
// profile is unusable, in which case its values are shown as they are).
// Built once per pair of profiles and kept; safe to call from any thread.
std::shared_ptr<const ColourTransform> transformFor(std::span<const std::uint8_t> photoProfile);

class ColourTransform {
public:
    struct Handle;
    explicit ColourTransform(std::shared_ptr<Handle> handle) : handle_(std::move(handle)) {}

    // Converts `count` pixels of 4 bytes (blue, green, red, then a byte left
    // as it is: the layout of a 32-bit Qt pixel in memory) in place. The
    // same transform may convert different rows on several threads at once.
    void convertBgrx(std::uint8_t* pixels, std::size_t count) const;
    // The same for 3-byte blue, green, red pixels (the planes' layout).
    void convertBgr(std::uint8_t* pixels, std::size_t count) const;

private:
    std::shared_ptr<Handle> handle_;
};

} // namespace display
