// Naive reference of the tone and colour effects (see ReferenceEffects.h).
#include "reference/ReferenceEffects.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <vector>

namespace reference {

namespace {

std::size_t strideOf(const ImagePlanes& image)
{
    return static_cast<std::size_t>(((image.width * 24 + 31) >> 3) & ~3);
}

std::size_t at(const ImagePlanes& image, int x, int y)
{
    return static_cast<std::size_t>(y) * strideOf(image) + 3 * static_cast<std::size_t>(x);
}

template <typename Pixel>
void eachPixel(const ImagePlanes& image, Rect rect, Pixel pixel)
{
    for (int y = rect.y0; y < rect.y0 + rect.h; ++y) {
        for (int x = rect.x0; x < rect.x0 + rect.w; ++x) {
            pixel(at(image, x, y));
        }
    }
}

// A compose clears the bytes of scratch it read: every byte of the plane
// over the whole image, the rectangle's pixels otherwise.
void clearScratch(ImagePlanes& image, Rect rect)
{
    if (rect.x0 == 0 && rect.y0 == 0 && rect.w == image.width && rect.h == image.height) {
        std::fill(image.scratch.begin(), image.scratch.end(), 0);
        return;
    }
    eachPixel(image, rect, [&](std::size_t p) { std::fill_n(image.scratch.begin() + p, 3, 0); });
}

// Steps 2 and 3 of the weighted compose for one pixel.
void compose(ImagePlanes& image, std::size_t p, double s, double w)
{
    const double f = w * s + 1;
    for (int c = 0; c < 3; ++c) {
        const double cur = image.current[p + c];
        const double o = image.scratch[p + c];
        const double v = cur * f - (o * s) * w;
        image.result[p + c] = byteRule(v);
    }
}

void copyCurrentToResult(ImagePlanes& image, std::size_t p)
{
    for (int c = 0; c < 3; ++c) {
        image.result[p + c] = image.current[p + c];
    }
}

void rangeCompose(ImagePlanes& image, double s, double k, double tR, double tG, double tB, Rect rect,
                  bool distanceOfScratch)
{
    eachPixel(image, rect, [&](std::size_t p) {
        const std::vector<std::uint8_t>& plane = distanceOfScratch ? image.scratch : image.current;
        const double dR = plane[p + 2] - tR;
        const double dG = plane[p + 1] - tG;
        const double dB = plane[p] - tB;
        const double d2 = (dR * dR + dG * dG) + dB * dB;
        const double D = 151875 - d2 * k;
        if (D > 0) {
            compose(image, p, s, D / 151875);
        } else {
            copyCurrentToResult(image, p);
        }
    });
    clearScratch(image, rect);
}

// The weighted median of position p of a line: sample(q, c) reads channel c
// at position q of the line.
template <typename Sample>
void lineMedian(int p, int length, int r, int b, Sample sample, std::uint8_t out[3])
{
    std::vector<int> arrays[3];
    for (int k = 0; k * b < r; ++k) {
        for (int q = p - r + k * b; q <= p + r - k * b; ++q) {
            if (q >= 0 && q < length) {
                for (int c = 0; c < 3; ++c) {
                    arrays[c].push_back(sample(q, c));
                }
            }
        }
    }
    const std::size_t n = arrays[0].size();
    const std::size_t m = (n - 1) / 2;
    for (int c = 0; c < 3; ++c) {
        std::sort(arrays[c].begin(), arrays[c].end());
        out[c] = static_cast<std::uint8_t>(arrays[c][m]);
    }
}

} // namespace

Rect whole(const ImagePlanes& image)
{
    return Rect{0, 0, image.width, image.height};
}

double luminance(int red, int green, int blue)
{
    const double r = red;
    const double g = green;
    const double b = blue;
    const double redPart = 0.3 * r;
    const double greenPart = 0.59 * g;
    const double bluePart = 0.11 * b;
    return (redPart + greenPart) + bluePart;
}

std::uint8_t byteRule(double value)
{
    if (value < 0) {
        return 0;
    }
    if (value > 255) {
        return 255;
    }
    return static_cast<std::uint8_t>(std::trunc(value));
}

void fillScratch(ImagePlanes& image, std::uint8_t red, std::uint8_t green, std::uint8_t blue, Rect rect)
{
    eachPixel(image, rect, [&](std::size_t p) {
        image.scratch[p] = blue;
        image.scratch[p + 1] = green;
        image.scratch[p + 2] = red;
    });
}

void invertToScratch(ImagePlanes& image, Rect rect)
{
    eachPixel(image, rect, [&](std::size_t p) {
        for (int c = 0; c < 3; ++c) {
            image.scratch[p + c] = static_cast<std::uint8_t>(255 - image.current[p + c]);
        }
    });
}

void greyToScratch(ImagePlanes& image, Rect rect)
{
    eachPixel(image, rect, [&](std::size_t p) {
        const std::uint8_t g = byteRule(luminance(image.current[p + 2], image.current[p + 1], image.current[p]));
        for (int c = 0; c < 3; ++c) {
            image.scratch[p + c] = g;
        }
    });
}

void greyResult(ImagePlanes& image, Rect rect)
{
    eachPixel(image, rect, [&](std::size_t p) {
        const std::uint8_t g = byteRule(luminance(image.result[p + 2], image.result[p + 1], image.result[p]));
        for (int c = 0; c < 3; ++c) {
            image.result[p + c] = g;
        }
    });
}

void lightenDarkenScratch(ImagePlanes& image, bool lighten, Rect rect)
{
    eachPixel(image, rect, [&](std::size_t p) {
        for (int c = 0; c < 3; ++c) {
            const unsigned cur = image.current[p + c];
            const unsigned scr = image.scratch[p + c];
            if ((lighten && cur > scr) || (!lighten && cur < scr)) {
                image.scratch[p + c] = image.current[p + c];
            }
        }
    });
}

void meanColour(ImagePlanes& image)
{
    image.meanRed = 0.0;
    image.meanGreen = 0.0;
    image.meanBlue = 0.0;
    double red = 0;
    double green = 0;
    double blue = 0;
    double count = 0;
    eachPixel(image, whole(image), [&](std::size_t p) {
        blue += image.current[p];
        green += image.current[p + 1];
        red += image.current[p + 2];
        count += 1;
    });
    if (count > 0) {
        image.meanRed = red / count;
        image.meanGreen = green / count;
        image.meanBlue = blue / count;
    }
}

void brightWeightedCompose(ImagePlanes& image, double strength, Rect rect)
{
    eachPixel(image, rect, [&](std::size_t p) {
        const double y = luminance(image.current[p + 2], image.current[p + 1], image.current[p]);
        compose(image, p, strength, y / 255);
    });
    clearScratch(image, rect);
}

void darkWeightedCompose(ImagePlanes& image, double strength, Rect rect)
{
    eachPixel(image, rect, [&](std::size_t p) {
        const double y = luminance(image.current[p + 2], image.current[p + 1], image.current[p]);
        compose(image, p, strength, (255 - y) / 255);
    });
    clearScratch(image, rect);
}

void colourRangeCompose(ImagePlanes& image, double strength, double precision, double tR, double tG, double tB,
                        Rect rect)
{
    rangeCompose(image, strength, precision, tR, tG, tB, rect, false);
}

void scratchColourRangeCompose(ImagePlanes& image, double strength, double precision, double tR, double tG,
                               double tB, Rect rect)
{
    rangeCompose(image, strength, precision, tR, tG, tB, rect, true);
}

void colourMatchMask(ImagePlanes& image, double toR, double toG, double toB, double tR, double tG, double tB,
                     Rect rect)
{
    eachPixel(image, rect, [&](std::size_t p) {
        const double R = image.current[p + 2];
        const double G = image.current[p + 1];
        const double B = image.current[p];
        if (std::abs(R - tR) <= toR && std::abs(G - tG) <= toG && std::abs(B - tB) <= toB) {
            for (int c = 0; c < 3; ++c) {
                image.result[p + c] = 255;
            }
        } else {
            copyCurrentToResult(image, p);
        }
    });
}

void luminanceRankFilter(ImagePlanes& image, int radius, Rect rect)
{
    const int r = radius;
    eachPixel(image, rect, [&](std::size_t p) {
        const int y = static_cast<int>(p / strideOf(image));
        const int x = static_cast<int>((p % strideOf(image)) / 3);
        std::vector<int> arrays[3];
        for (int dy = -r; dy <= r; ++dy) {
            for (int dx = -r; dx <= r; ++dx) {
                const int sx = x + dx;
                const int sy = y + dy;
                if (sx >= 0 && sx < image.width && sy >= 0 && sy < image.height) {
                    for (int c = 0; c < 3; ++c) {
                        arrays[c].push_back(image.current[at(image, sx, sy) + c]);
                    }
                }
            }
        }
        for (auto& array : arrays) {
            std::sort(array.begin(), array.end());
        }
        const double Y = luminance(image.current[p + 2], image.current[p + 1], image.current[p]);
        const int n = static_cast<int>(arrays[0].size());
        const int i = static_cast<int>(std::trunc((Y * (n - 1)) / 255));
        for (int c = 0; c < 3; ++c) {
            image.scratch[p + c] = static_cast<std::uint8_t>(arrays[c][i]);
        }
    });
}

void weightedMedianRows(ImagePlanes& image, int radius, int step)
{
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            std::uint8_t out[3];
            lineMedian(x, image.width, radius, step,
                       [&](int q, int c) { return image.current[at(image, q, y) + c]; }, out);
            for (int c = 0; c < 3; ++c) {
                image.scratch[at(image, x, y) + c] = out[c];
            }
        }
    }
}

void weightedMedianColumns(ImagePlanes& image, int radius, int step)
{
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            std::uint8_t out[3];
            lineMedian(y, image.height, radius, step,
                       [&](int q, int c) { return image.scratch[at(image, x, q) + c]; }, out);
            for (int c = 0; c < 3; ++c) {
                image.result[at(image, x, y) + c] = out[c];
            }
        }
    }
    image.scratch = image.result;
    for (std::uint8_t& byte : image.result) {
        byte = 0;
    }
}

void replaceOutlierPixels(ImagePlanes& image)
{
    eachPixel(image, whole(image), [&](std::size_t p) {
        int d = 0;
        for (int c = 0; c < 3; ++c) {
            d += std::abs(image.current[p + c] - image.scratch[p + c]);
        }
        for (int c = 0; c < 3; ++c) {
            image.result[p + c] = d > 30 ? image.scratch[p + c] : image.current[p + c];
        }
    });
    clearScratch(image, whole(image));
}

std::uint32_t sampleAverageColour(const ImagePlanes& image, int x0, int y0, int w, int h)
{
    double n = 0;
    double red = 0;
    double green = 0;
    double blue = 0;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
            if (y < 0 || y >= image.height || x < 0 || x >= image.width) {
                continue;
            }
            n += 1;
            const std::size_t p = at(image, x, y);
            blue += image.current[p];
            green += image.current[p + 1];
            red += image.current[p + 2];
        }
    }
    if (n == 0) {
        return 0;
    }
    auto component = [&](double sum) {
        const double mean = sum / n;
        return mean > 255 ? 255u : static_cast<std::uint32_t>(std::trunc(mean));
    };
    return component(blue) * 65536u + component(green) * 256u + component(red);
}

} // namespace reference
