// The one thing the record needs from a display: paint a bottom-up 24-bit
// blue-green-red buffer at an origin, optionally stretched. The Qt program
// implements it over QPainter; the tests record the calls.
#pragma once

#include <cstdint>
#include <span>

class ICanvas {
public:
    virtual ~ICanvas() = default;

    // `pixels` holds height rows of rowStride(width) bytes, row 0 the bottom
    // row of the picture. The picture's top-left corner goes to (x, y) of the
    // canvas (y grows downwards); with stretchWidth and stretchHeight above
    // zero it is scaled to that size by pixel replication.
    virtual void drawBottomUpBgr(std::span<const std::uint8_t> pixels, int width, int height,
                                 int x, int y, int stretchWidth = 0, int stretchHeight = 0) = 0;

    // The ICC profile of the pixels the next draws paint (empty: sRGB); the
    // record names its photo's before it draws. A canvas on a screen shows
    // them in the display's colours (display::transformFor). The bytes must
    // outlive the draws.
    void setPictureProfile(std::span<const std::uint8_t> profile) { pictureProfile_ = profile; }

protected:
    std::span<const std::uint8_t> pictureProfile() const { return pictureProfile_; }

private:
    std::span<const std::uint8_t> pictureProfile_;
};
