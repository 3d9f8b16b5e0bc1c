// Naive reference of the filter engine, written straight from the pixel
// rules: every tap tested against the image, windows walked in scan order,
// the stated order of double operations, plain loops on one thread. Tests
// compare the production engine with it byte for byte.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/ImagePlanes.h"

namespace reference {

// Channel c of pixel (x, y) of a plane laid out like the record's planes.
std::uint8_t& byteAt(std::vector<std::uint8_t>& plane, const ImagePlanes& image, int x, int y, int c);
std::uint8_t byteAt(const std::vector<std::uint8_t>& plane, const ImagePlanes& image, int x, int y, int c);

bool insideImage(const ImagePlanes& image, int x, int y);

// The byte rule: 0 below 0, 255 above 255, otherwise truncation toward zero.
std::uint8_t storeReal(double value);

// Whole-plane fill, padding included.
void fill(std::vector<std::uint8_t>& plane, std::uint8_t value);

// The weight tables of the two blurs, w[0] to w[r].
std::vector<std::int32_t> gaussianWeights(double sigma);
std::vector<std::int32_t> triangleWeights(int radius, int divisor);

// The operations, with the same arguments and plane effects as the engine's.
void gaussianBlurRows(ImagePlanes& image, double sigma);
void gaussianBlurColumns(ImagePlanes& image, double sigma);
void gaussianBlurPreview(ImagePlanes& image, PreviewRect rect, double sigma);
void triangleBlurRows(ImagePlanes& image, int radius, int divisor);
void triangleBlurColumns(ImagePlanes& image, int radius, int divisor);
void triangleBlurPreview(ImagePlanes& image, PreviewRect rect, int radius, int divisor);
void composeWithScratch(ImagePlanes& image, double strength);
void composeWithScratchPreview(ImagePlanes& image, PreviewRect rect, double strength);
void unsharpMask(ImagePlanes& image, int radius, double amount);
void unsharpMaskPreview(ImagePlanes& image, PreviewRect rect, int radius, double amount);
void brightSharpen(ImagePlanes& image, int radius, int ringStep);
void darkSharpen(ImagePlanes& image, int radius, int ringStep);
void brightSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep);
void darkSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep);

} // namespace reference
