// Naive reference of the filter engine: one plain loop per pass, every tap
// and window position tested against the image, doubles added in the
// window's scan order. Slow by design; independent of the production code.
#include "reference/ReferenceEngine.h"

#include <cmath>
#include <cstdlib>

namespace reference {

namespace {

std::size_t strideOf(const ImagePlanes& image)
{
    return static_cast<std::size_t>(((static_cast<std::int64_t>(image.width) * 24 + 31) >> 3) & ~std::int64_t{3});
}

std::size_t indexOf(const ImagePlanes& image, int x, int y, int c)
{
    return static_cast<std::size_t>(y) * strideOf(image) + 3 * static_cast<std::size_t>(x) + c;
}

PreviewRect whole(const ImagePlanes& image)
{
    return PreviewRect{0, 0, image.width, image.height};
}

// One pass of a blur over the rectangle: along rows (dx 1) or columns (dy 1).
void blurPass(ImagePlanes& image, const std::vector<std::int32_t>& weights, PreviewRect rect,
              const std::vector<std::uint8_t>& source, std::vector<std::uint8_t>& target, int dx, int dy)
{
    const int r = static_cast<int>(weights.size()) - 1;
    for (int y = rect.y0; y < rect.y0 + rect.h; ++y) {
        for (int x = rect.x0; x < rect.x0 + rect.w; ++x) {
            for (int c = 0; c < 3; ++c) {
                std::int32_t acc = 0;
                std::int32_t total = 0;
                for (int i = -r; i <= r; ++i) {
                    const int tx = x + i * dx;
                    const int ty = y + i * dy;
                    if (!insideImage(image, tx, ty)) {
                        continue;
                    }
                    acc += weights[std::abs(i)] * byteAt(source, image, tx, ty, c);
                    total += weights[std::abs(i)];
                }
                if (total != 0) {
                    byteAt(target, image, x, y, c) = static_cast<std::uint8_t>(acc / total);
                }
            }
        }
    }
}

void blurRows(ImagePlanes& image, const std::vector<std::int32_t>& weights, PreviewRect rect)
{
    blurPass(image, weights, rect, image.current, image.scratch, 1, 0);
}

void blurColumnsAndMove(ImagePlanes& image, const std::vector<std::int32_t>& weights, PreviewRect rect)
{
    blurPass(image, weights, rect, image.scratch, image.result, 0, 1);
    image.scratch = image.result;
    fill(image.result, 0);
}

// A compose clears the bytes of scratch it read: every byte of the plane
// over the whole image, the rectangle's pixels otherwise.
void clearScratch(ImagePlanes& image, PreviewRect rect)
{
    if (rect.x0 == 0 && rect.y0 == 0 && rect.w == image.width && rect.h == image.height) {
        fill(image.scratch, 0);
        return;
    }
    for (int y = rect.y0; y < rect.y0 + rect.h; ++y) {
        for (int x = rect.x0; x < rect.x0 + rect.w; ++x) {
            for (int c = 0; c < 3; ++c) {
                byteAt(image.scratch, image, x, y, c) = 0;
            }
        }
    }
}

// The blur twins: the full blur's bytes inside the rectangle, nothing else.
void copyRectangle(const std::vector<std::uint8_t>& source, std::vector<std::uint8_t>& target,
                   const ImagePlanes& image, PreviewRect rect)
{
    for (int y = rect.y0; y < rect.y0 + rect.h; ++y) {
        for (int x = rect.x0; x < rect.x0 + rect.w; ++x) {
            for (int c = 0; c < 3; ++c) {
                byteAt(target, image, x, y, c) = byteAt(source, image, x, y, c);
            }
        }
    }
}

void compose(ImagePlanes& image, PreviewRect rect, double s)
{
    for (int y = rect.y0; y < rect.y0 + rect.h; ++y) {
        for (int x = rect.x0; x < rect.x0 + rect.w; ++x) {
            for (int c = 0; c < 3; ++c) {
                const double k = s + 1.0;
                const double cur = byteAt(image.current, image, x, y, c);
                const double scr = byteAt(image.scratch, image, x, y, c);
                const double a = cur * k;
                const double b = scr * s;
                byteAt(image.result, image, x, y, c) = storeReal(a - b);
            }
        }
    }
    clearScratch(image, rect);
}

void unsharp(ImagePlanes& image, PreviewRect rect, int r, double s)
{
    // A negative radius is a window of the pixel alone.
    if (r < 0) {
        r = 0;
    }
    for (int y = rect.y0; y < rect.y0 + rect.h; ++y) {
        for (int x = rect.x0; x < rect.x0 + rect.w; ++x) {
            for (int c = 0; c < 3; ++c) {
                double n = 0.0;
                double sum = 0.0;
                for (int wy = y - r; wy <= y + r; ++wy) {
                    for (int wx = x - r; wx <= x + r; ++wx) {
                        if (insideImage(image, wx, wy)) {
                            n += 1.0;
                            sum += byteAt(image.current, image, wx, wy, c);
                        }
                    }
                }
                const double mean = sum / n;
                double q = 0.0;
                for (int wy = y - r; wy <= y + r; ++wy) {
                    for (int wx = x - r; wx <= x + r; ++wx) {
                        if (insideImage(image, wx, wy)) {
                            const double d = mean - byteAt(image.current, image, wx, wy, c);
                            q += d * d;
                        }
                    }
                }
                const double sigma = std::sqrt(q / n);
                const double k = (255.0 - sigma) / 255.0;
                const double first = k * s + 1.0;
                const double kept = first * byteAt(image.current, image, x, y, c);
                const double scaled = byteAt(image.scratch, image, x, y, c) * s;
                const double removed = k * scaled;
                byteAt(image.result, image, x, y, c) = storeReal(kept - removed);
            }
        }
    }
    clearScratch(image, rect);
}

void sharpen(ImagePlanes& image, PreviewRect rect, int r, int t, bool bright)
{
    // A radius below 1 leaves each pixel alone; a step below 1 counts as 1.
    if (t < 1) {
        t = 1;
    }
    for (int y = rect.y0; y < rect.y0 + rect.h; ++y) {
        for (int x = rect.x0; x < rect.x0 + rect.w; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int b0 = byteAt(image.current, image, x, y, c);
                double sum = 0.0;
                double count = 0.0;
                if (r < 1) {
                    sum = b0;
                    count = 1.0;
                }
                for (int k = 0; k * t < r; ++k) {
                    const int h = r - k * t;
                    for (int wy = y - h; wy <= y + h; ++wy) {
                        for (int wx = x - h; wx <= x + h; ++wx) {
                            if (!insideImage(image, wx, wy)) {
                                continue;
                            }
                            const int b = byteAt(image.current, image, wx, wy, c);
                            if (bright ? b <= b0 : b >= b0) {
                                sum += b;
                                count += 1.0;
                            }
                        }
                    }
                }
                byteAt(image.scratch, image, x, y, c) = static_cast<std::uint8_t>(sum / count);
            }
        }
    }
}

} // namespace

std::uint8_t& byteAt(std::vector<std::uint8_t>& plane, const ImagePlanes& image, int x, int y, int c)
{
    return plane[indexOf(image, x, y, c)];
}

std::uint8_t byteAt(const std::vector<std::uint8_t>& plane, const ImagePlanes& image, int x, int y, int c)
{
    return plane[indexOf(image, x, y, c)];
}

bool insideImage(const ImagePlanes& image, int x, int y)
{
    return x >= 0 && x < image.width && y >= 0 && y < image.height;
}

std::uint8_t storeReal(double value)
{
    if (value < 0.0) {
        return 0;
    }
    if (value > 255.0) {
        return 255;
    }
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<std::uint8_t>(std::trunc(value));
}

void fill(std::vector<std::uint8_t>& plane, std::uint8_t value)
{
    for (auto& byte : plane) {
        byte = value;
    }
}

std::vector<std::int32_t> gaussianWeights(double sigma)
{
    // A sigma that is not positive blurs nothing: the centre weight alone.
    if (!(sigma > 0.0)) {
        return {64};
    }
    const int r = static_cast<int>(std::trunc(3.0 * sigma));
    std::vector<std::int32_t> weights;
    for (int i = 0; i <= r; ++i) {
        const double ii = static_cast<double>(i * i);
        const double q = -(ii / ((sigma + sigma) * sigma));
        weights.push_back(static_cast<std::int32_t>(std::trunc(64.0 * std::exp(q))));
    }
    return weights;
}

std::vector<std::int32_t> triangleWeights(int radius, int divisor)
{
    const int r = radius < 0 ? 0 : radius;
    const int d = divisor < 1 ? 1 : divisor;
    std::vector<std::int32_t> weights;
    for (int i = 0; i <= r; ++i) {
        weights.push_back((r + d - i) / d);
    }
    return weights;
}

void gaussianBlurRows(ImagePlanes& image, double sigma)
{
    blurRows(image, gaussianWeights(sigma), whole(image));
}

void gaussianBlurColumns(ImagePlanes& image, double sigma)
{
    blurColumnsAndMove(image, gaussianWeights(sigma), whole(image));
}

void gaussianBlurPreview(ImagePlanes& image, PreviewRect rect, double sigma)
{
    if (sigma == 0.0) {
        return;
    }
    ImagePlanes full = image;
    gaussianBlurRows(full, sigma);
    gaussianBlurColumns(full, sigma);
    copyRectangle(full.scratch, image.scratch, image, rect);
}

void triangleBlurRows(ImagePlanes& image, int radius, int divisor)
{
    blurRows(image, triangleWeights(radius, divisor), whole(image));
}

void triangleBlurColumns(ImagePlanes& image, int radius, int divisor)
{
    blurColumnsAndMove(image, triangleWeights(radius, divisor), whole(image));
}

void triangleBlurPreview(ImagePlanes& image, PreviewRect rect, int radius, int divisor)
{
    ImagePlanes full = image;
    triangleBlurRows(full, radius, divisor);
    triangleBlurColumns(full, radius, divisor);
    copyRectangle(full.scratch, image.scratch, image, rect);
}

void composeWithScratch(ImagePlanes& image, double strength)
{
    compose(image, whole(image), strength);
}

void composeWithScratchPreview(ImagePlanes& image, PreviewRect rect, double strength)
{
    compose(image, rect, strength);
}

void unsharpMask(ImagePlanes& image, int radius, double amount)
{
    unsharp(image, whole(image), radius, amount);
}

void unsharpMaskPreview(ImagePlanes& image, PreviewRect rect, int radius, double amount)
{
    unsharp(image, rect, radius, amount);
}

void brightSharpen(ImagePlanes& image, int radius, int ringStep)
{
    sharpen(image, whole(image), radius, ringStep, true);
}

void darkSharpen(ImagePlanes& image, int radius, int ringStep)
{
    sharpen(image, whole(image), radius, ringStep, false);
}

void brightSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep)
{
    sharpen(image, rect, radius, ringStep, true);
}

void darkSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep)
{
    sharpen(image, rect, radius, ringStep, false);
}

} // namespace reference
