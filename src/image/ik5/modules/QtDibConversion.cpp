// QImage <-> DIB conversion for the file module. Rows are flipped (QImage is
// top-down, a DIB bottom-up) and channels reordered to blue, green, red.
#include "QtDibConversion.h"

#include <cstring>

#include "image/HugePages.h"

#include "DibBlock.h"

namespace ik5module {
namespace {

// One channel of a colour with alpha `alpha` laid over white.
std::uint8_t overWhite(int channel, int alpha)
{
    if (alpha == 255) {
        return static_cast<std::uint8_t>(channel);
    }
    return static_cast<std::uint8_t>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
}

RGBQUAD tableEntry(QRgb colour)
{
    const int alpha = qAlpha(colour);
    return RGBQUAD{overWhite(qBlue(colour), alpha), overWhite(qGreen(colour), alpha),
                   overWhite(qRed(colour), alpha), 0};
}

// `image` is Indexed8 or Grayscale8: one index byte per pixel.
Ik5Dib eightBitDib(const QImage& image, const QList<QRgb>& colours)
{
    Ik5Dib dib = allocateDib(image.width(), image.height(), 8);
    const auto view = viewDib(dib);
    if (!view) {
        return nullptr;
    }
    // Entries past the picture's own table stay black (zero).
    for (qsizetype i = 0; i < colours.size() && i < 256; ++i) {
        view->colourTable[i] = tableEntry(colours[i]);
    }
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        std::memcpy(view->pixels + static_cast<std::size_t>(y) * view->stride,
                    image.constScanLine(height - 1 - y), static_cast<std::size_t>(image.width()));
    }
    return dib;
}

Ik5Dib colourDib(QImage image)
{
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) {
            return nullptr;
        }
    }
    Ik5Dib dib = allocateDib(image.width(), image.height(), 24);
    const auto view = viewDib(dib);
    if (!view) {
        return nullptr;
    }
    const int width = image.width();
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(image.constScanLine(height - 1 - y));
        std::uint8_t* row = view->pixels + static_cast<std::size_t>(y) * view->stride;
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = source[x];
            const int alpha = qAlpha(pixel);
            row[3 * x] = overWhite(qBlue(pixel), alpha);
            row[3 * x + 1] = overWhite(qGreen(pixel), alpha);
            row[3 * x + 2] = overWhite(qRed(pixel), alpha);
        }
    }
    return dib;
}

QList<QRgb> greyRamp()
{
    QList<QRgb> ramp(256);
    for (int i = 0; i < 256; ++i) {
        ramp[i] = qRgb(i, i, i);
    }
    return ramp;
}

} // namespace

Ik5Dib dibFromImage(QImage image)
{
    if (image.isNull() || !acceptableSize(image.width(), image.height())) {
        return nullptr;
    }
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: {
        const QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
        return indexed.isNull() ? nullptr : eightBitDib(indexed, indexed.colorTable());
    }
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16: {
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        return grey.isNull() ? nullptr : eightBitDib(grey, greyRamp());
    }
    default:
        return colourDib(std::move(image));
    }
}

QImage imageFromRows(const std::uint8_t* pixels, int width, int height, std::size_t stride)
{
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull()) {
        return {};
    }
    hugepages::advise(image.bits(), static_cast<std::size_t>(image.sizeInBytes()));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = pixels + static_cast<std::size_t>(height - 1 - y) * stride;
        std::uint8_t* target = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    return image;
}

} // namespace ik5module
