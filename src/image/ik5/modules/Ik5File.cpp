// IK5FILE: reads JPEG, PNG, TIFF and BMP files into DIBs and writes 24-bit
// DIBs as JPEG, PNG or TIFF, over Qt's image readers and writers. A file is
// read whole first so that a truncated JPEG, PNG or BMP can be refused; every save
// goes through QSaveFile, so a failed save leaves any existing file untouched.
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <span>

#include "DibBlock.h"
#include "FileCompleteness.h"
#include "ModuleExport.h"
#include "QtDibConversion.h"

namespace {

// Qt refuses to decode more than this many megabytes per picture. 1 GB lets
// 8-bit photos up to the module's pixel limit (and 16-bit ones up to half of
// it) through, while a header with absurd dimensions fails before allocating.
constexpr int kDecodeLimitMegabytes = 1024;

bool isReadFormat(const QByteArray& format)
{
    return format == "jpeg" || format == "jpg" || format == "png" || format == "tiff"
           || format == "tif" || format == "bmp";
}

Ik5Dib loadFile(const char* path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    QByteArray bytes = file.readAll();
    file.close();
    const std::span<const std::uint8_t> content(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                static_cast<std::size_t>(bytes.size()));

    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    QImageReader::setAllocationLimit(kDecodeLimitMegabytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (!isReadFormat(format)) {
        return nullptr;
    }
    if ((format == "jpeg" || format == "jpg") && !ik5module::jpegIsComplete(content)) {
        return nullptr;
    }
    if (format == "png" && !ik5module::pngIsComplete(content)) {
        return nullptr;
    }
    if (format == "bmp" && !ik5module::bmpIsComplete(content)) {
        return nullptr;
    }
    const QSize size = reader.size();
    if (size.isValid() && !ik5module::acceptableSize(size.width(), size.height())) {
        return nullptr;
    }
    QImage image;
    if (!reader.read(&image)) {
        return nullptr;
    }
    return ik5module::dibFromImage(std::move(image));
}

int saveFile(const char* path, Ik5Dib dib, const char* format, int quality)
{
    const QImage image = ik5module::imageFromDib(dib);
    if (!path || image.isNull()) {
        return 0;
    }
    QSaveFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return 0;
    }
    QImageWriter writer(&file, format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    if (!writer.write(image)) {
        file.cancelWriting();
        return 0;
    }
    return file.commit() ? 1 : 0;
}

// No exception may cross the C boundary; any failure is a null or 0 result.
template <typename Result, typename Function>
Result guarded(Result failed, Function&& function) noexcept
{
    try {
        return function();
    } catch (...) {
        return failed;
    }
}

} // namespace

IK5_EXPORT Ik5Dib IK5FileLoad(const char* path, int, int, const char*, const char*, const char*)
{
    return path ? guarded(Ik5Dib{}, [&] { return loadFile(path); }) : nullptr;
}

IK5_EXPORT int IK5JpegFileSave(const char* path, Ik5Dib dib, int, int quality, int, const char*, int,
                               const char*, const char*, const char*)
{
    if (quality < 0 || quality > 100) {
        return 0;
    }
    return guarded(0, [&] { return saveFile(path, dib, "jpeg", quality); });
}

IK5_EXPORT int IK5PngFileSave(const char* path, Ik5Dib dib, int, int, int, int, int, const char*, int,
                              const char*, const char*, const char*)
{
    return guarded(0, [&] { return saveFile(path, dib, "png", -1); });
}

IK5_EXPORT int IK5TiffFileSave(const char* path, Ik5Dib dib, int, int, int, const char*, int,
                               const char*, const char*, const char*)
{
    return guarded(0, [&] { return saveFile(path, dib, "tiff", -1); });
}
