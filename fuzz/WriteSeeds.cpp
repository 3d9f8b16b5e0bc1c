// Writes the fuzzers' seeds into the two folders named on the command line:
// tiny valid pictures of every format the program reads (24-bit colour, 8-bit
// palette, grey, alpha and 1-bit where the format has them), so that the
// fuzzer starts inside each decoder instead of at its signature check (a
// CMYK TIFF, which libtiff writes, among them); and
// pictures of 1.1 and 1.2 megapixels whose files stay small (tiles of one
// colour, compressed) for the target of large photos.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <tiffio.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

QImage colourPicture()
{
    QImage image(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(40 * x, 80 * y, 255 - 30 * x));
        }
    }
    return image;
}

QImage palettePicture()
{
    QImage image(3, 2, QImage::Format_Indexed8);
    image.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)});
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, static_cast<uint>((x + y) % 4));
        }
    }
    return image;
}

// Tiles of 64 x 64 pixels in steps of colour, which every format's
// compression (TIFF's LZW too) makes small.
QImage largePicture(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x / 64 * 8, y / 64 * 8, 128));
        }
    }
    return image.convertToFormat(format);
}

bool write(const QImage& image, const QString& path)
{
    QImageWriter writer(path);
    if (path.endsWith(".tif")) {
        writer.setCompression(1); // LZW
    }
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

// A 5 x 3 CMYK TIFF (LZW) of inks in steps, which Qt's writer cannot make.
bool writeCmykTiff(const QString& path)
{
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (tiff == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 5);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    bool ok = true;
    for (std::uint32_t y = 0; y < 3; ++y) {
        std::vector<std::uint8_t> row(20);
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<std::uint8_t>(12 * i + 70 * y);
        }
        ok &= TIFFWriteScanline(tiff, row.data(), y, 0) == 1;
    }
    TIFFClose(tiff);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: write_fuzz_seeds FOLDER LARGE-FOLDER\n");
        return 2;
    }
    const QDir folder(QFile::decodeName(argv[1]));
    const QDir largeFolder(QFile::decodeName(argv[2]));
    if (!folder.mkpath(".") || !largeFolder.mkpath(".")) {
        std::fprintf(stderr, "cannot create %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    const QImage colour = colourPicture();
    const QImage palette = palettePicture();
    const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    QImage alpha = colour.convertToFormat(QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(10, 20, 30, 100));
    const QImage mono = colour.convertToFormat(QImage::Format_Mono);

    bool ok = true;
    for (const char* format : {"png", "jpg", "tif", "bmp"}) {
        const QString suffix = QString::fromLatin1(format);
        ok &= write(colour, folder.filePath("colour." + suffix));
        ok &= write(grey, folder.filePath("grey." + suffix));
    }
    for (const char* format : {"png", "tif", "bmp"}) {
        const QString suffix = QString::fromLatin1(format);
        ok &= write(palette, folder.filePath("palette." + suffix));
        ok &= write(mono, folder.filePath("mono." + suffix));
    }
    ok &= write(alpha, folder.filePath("alpha.png"));
    ok &= write(alpha, folder.filePath("alpha.tif"));
    ok &= writeCmykTiff(folder.filePath("cmyk.tif"));

    const QImage large = largePicture(1200, 1000, QImage::Format_RGB32);
    const QImage largeGrey = largePicture(1100, 1000, QImage::Format_Grayscale8);
    for (const char* format : {"png", "jpg", "tif"}) {
        const QString suffix = QString::fromLatin1(format);
        ok &= write(large, largeFolder.filePath("colour." + suffix));
        ok &= write(largeGrey, largeFolder.filePath("grey." + suffix));
    }
    return ok ? 0 : 1;
}
