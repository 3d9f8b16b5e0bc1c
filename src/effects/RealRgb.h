// A colour as three reals on the 0..255 scale, red first: a target colour or
// a per-channel tolerance, passed as one value instead of three loose doubles.
#pragma once

struct RealRgb {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};
