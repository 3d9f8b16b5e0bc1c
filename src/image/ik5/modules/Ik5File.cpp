// IK5FILE: reads JPEG, PNG, TIFF and BMP files into DIBs and writes 24-bit
// DIBs as JPEG, PNG or TIFF, over Qt's image readers and writers. A file is
// read whole first so that a truncated JPEG, PNG or BMP can be refused; every save
// goes through QSaveFile, so a failed save leaves any existing file untouched.
// IK5FileEncode encodes in memory instead, for callers that write the file.
// Each call leaves its outcome (the reason of a failure, the notes of a load,
// the colour profile) for IK5FileGetStatus and IK5FileGetProfile, and keeps
// the decoders' warnings off the terminal.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

#include <QBuffer>
#include <QColorSpace>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <span>

#include "DibBlock.h"
#include "FileSniffing.h"
#include "image/FileProblem.h"
#include "FileCompleteness.h"
#include "ModuleExport.h"
#include "QtDibConversion.h"

namespace {

// Qt refuses to decode more than this many megabytes per picture. 1 GB lets
// 8-bit photos up to the module's pixel limit (and 16-bit ones up to half of
// it) through, while a header with absurd dimensions fails before allocating.
constexpr int kDecodeLimitMegabytes = 1024;

// What the last call on this thread reported.
struct Outcome {
    FileProblem problem;
    LoadNotes notes = 0;
    QByteArray profile;
};

thread_local Outcome lastOutcome;

// Thrown inside a call to end it with a reason.
struct Refusal {
    FileProblem problem;
};

[[noreturn]] void refuse(FileError error, std::string format = {})
{
    throw Refusal{FileProblem{error, std::move(format)}};
}

// Qt's decoders and encoders (libjpeg, libpng, libtiff through Qt) print
// warnings about the files they read: none of them reaches the terminal while
// the module works; the call keeps them to judge the file by. The calls come
// from one thread, as the library requires.
thread_local QStringList decoderMessages;

class QuietQt {
public:
    QuietQt() : previous_(qInstallMessageHandler(keep)) { decoderMessages.clear(); }
    ~QuietQt() { qInstallMessageHandler(previous_); }
    QuietQt(const QuietQt&) = delete;
    QuietQt& operator=(const QuietQt&) = delete;

private:
    static void keep(QtMsgType, const QMessageLogContext&, const QString& message) { decoderMessages.append(message); }
    QtMessageHandler previous_;
};

// libjpeg's words for entropy-coded data that stops short.
bool decoderMetCutData()
{
    return std::any_of(decoderMessages.begin(), decoderMessages.end(), [](const QString& message) {
        return message.contains(QLatin1String("premature end of data segment"), Qt::CaseInsensitive);
    });
}

bool isReadFormat(const QByteArray& format)
{
    return format == "jpeg" || format == "jpg" || format == "png" || format == "tiff"
           || format == "tif" || format == "bmp" || format == "webp";
}

QByteArray readWholeFile(const char* path)
{
    struct stat status {};
    if (::stat(path, &status) != 0) {
        refuse(fileErrorOfErrno(errno, false));
    }
    if (S_ISDIR(status.st_mode)) {
        refuse(FileError::IsFolder);
    }
    // A pipe would block the open for ever and a device never end; only a
    // regular file has a known end to read up to.
    if (!S_ISREG(status.st_mode)) {
        refuse(FileError::NotRegularFile);
    }
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        refuse(file.error() == QFileDevice::PermissionsError ? FileError::NoPermission : fileErrorOfErrno(errno, false));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        refuse(FileError::ReadFailed);
    }
    return bytes;
}

bool isDeep(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
        return true;
    default:
        return false;
    }
}

bool hasTransparency(const QImage& image)
{
    if (!image.hasAlphaChannel()) {
        return false;
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        if (std::any_of(row, row + argb.width(), [](QRgb pixel) { return qAlpha(pixel) != 255; })) {
            return true;
        }
    }
    return false;
}

// What turning the decoded picture into a DIB loses.
// `pages`: the file's count of pictures.
LoadNotes notesOf(int pages, const QImage& image)
{
    LoadNotes notes = 0;
    if (isDeep(image.format())) {
        notes |= NoteReducedTo8Bits;
    }
    if (pages > 1) {
        notes |= NoteFirstPageOnly;
    }
    if (hasTransparency(image)) {
        notes |= NoteAlphaFlattened;
    }
    return notes;
}

Ik5Dib loadFile(const char* path)
{
    QByteArray bytes = readWholeFile(path);
    const std::span<const std::uint8_t> content(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                static_cast<std::size_t>(bytes.size()));
    if (content.empty()) {
        refuse(FileError::Damaged);
    }

    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly)) {
        refuse(FileError::ReadFailed);
    }
    QImageReader::setAllocationLimit(kDecodeLimitMegabytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (const std::optional<std::string> raw = ik5module::cameraRawKind(content, path)) {
        refuse(FileError::CameraRaw, *raw);
    }
    const QByteArray format = reader.format();
    if (!isReadFormat(format)) {
        if (ik5module::startsLikeReadFormat(content)) {
            refuse(FileError::Damaged);
        }
        const std::string known = ik5module::formatName(content);
        refuse(FileError::UnknownFormat, known.empty() ? format.toUpper().toStdString() : known);
    }
    const QSize size = reader.size();
    if (size.isValid() && !ik5module::acceptableSize(size.width(), size.height())) {
        throw Refusal{FileProblem{FileError::TooLarge, {}, size.width(), size.height(), ik5module::kMaxPixels}};
    }
    // A JPEG whose segments are all there but whose end marker is missing
    // is read with the marker added; whether its data was whole shows in
    // the decoder's warnings.
    bool endMarkerAdded = false;
    if ((format == "jpeg" || format == "jpg") && !ik5module::jpegIsComplete(content)) {
        bytes.append("\xff\xd9", 2);
        endMarkerAdded = ik5module::jpegIsComplete(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())));
        if (!endMarkerAdded) {
            refuse(FileError::Damaged);
        }
    }
    if (format == "png" && !ik5module::pngIsComplete(content)) {
        refuse(FileError::Damaged);
    }
    if (format == "bmp" && !ik5module::bmpIsComplete(content)) {
        refuse(FileError::Damaged);
    }
    // `content` may be stale: the end marker above can have moved the bytes.
    const int pages = ik5module::tiffPageCount(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())));
    QImage image;
    if (!reader.read(&image) || (endMarkerAdded && decoderMetCutData())) {
        refuse(FileError::Damaged);
    }
    lastOutcome.notes = notesOf(pages, image) | (endMarkerAdded ? LoadNotes{NoteMissingEndMarker} : LoadNotes{0});
    lastOutcome.profile = image.colorSpace().iccProfile();
    Ik5Dib dib = ik5module::dibFromImage(std::move(image));
    if (!dib) {
        refuse(FileError::OutOfMemory);
    }
    return dib;
}

// The reason a QSaveFile failed: Qt says "resource" for a full disk.
FileError saveError(const QSaveFile& file, int savedErrno)
{
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return FileError::DiskFull;
    case QFileDevice::PermissionsError:
        return FileError::NoPermission;
    default:
        return fileErrorOfErrno(savedErrno, true);
    }
}

int saveFile(const char* path, Ik5Dib dib, const char* format, int quality)
{
    if (!path) {
        refuse(FileError::WriteFailed);
    }
    const QImage image = ik5module::imageFromDib(dib);
    if (image.isNull()) {
        // imageFromDib fails for a valid DIB only when its copy cannot be made.
        refuse(ik5module::viewDib(dib) ? FileError::OutOfMemory : FileError::WriteFailed);
    }
    QSaveFile file(QFile::decodeName(path));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        refuse(saveError(file, errno));
    }
    QImageWriter writer(&file, format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    if (!writer.write(image)) {
        const FileError error = saveError(file, errno);
        file.cancelWriting();
        refuse(error);
    }
    if (!file.commit()) {
        refuse(saveError(file, errno));
    }
    return 1;
}

int encodeImage(Ik5Dib dib, int format, int quality, Ik5ByteSink sink, void* context)
{
    static constexpr const char* kFormats[] = {"jpeg", "png", "tiff"};
    const QImage image = ik5module::imageFromDib(dib);
    if (sink == nullptr || image.isNull() || format < 1 || format > 3) {
        return 0;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return 0;
    }
    QImageWriter writer(&buffer, kFormats[format - 1]);
    if (format == 1) {
        writer.setQuality(quality);
    }
    if (!writer.write(image)) {
        return 0;
    }
    sink(context, bytes.constData(), static_cast<unsigned long>(bytes.size()));
    return 1;
}

// No exception may cross the C boundary; any failure is a null or 0 result
// and its reason the call's outcome.
template <typename Result, typename Function>
Result guarded(Result failed, Function&& function) noexcept
{
    lastOutcome = Outcome{};
    const QuietQt quiet;
    try {
        return function();
    } catch (const Refusal& refusal) {
        lastOutcome.problem = refusal.problem;
    } catch (const std::bad_alloc&) {
        lastOutcome.problem = FileError::OutOfMemory;
    } catch (...) {
        lastOutcome.problem = FileError::ReadFailed;
    }
    return failed;
}

} // namespace

IK5_EXPORT Ik5Dib IK5FileLoad(const char* path, int, int, const char*, const char*, const char*)
{
    return guarded(Ik5Dib{}, [&] {
        if (path == nullptr) {
            refuse(FileError::NoSuchFile);
        }
        return loadFile(path);
    });
}

IK5_EXPORT int IK5JpegFileSave(const char* path, Ik5Dib dib, int, int quality, int, const char*, int,
                               const char*, const char*, const char*)
{
    if (quality < 0 || quality > 100) {
        lastOutcome = Outcome{};
        lastOutcome.problem = FileError::WriteFailed;
        return 0;
    }
    return guarded(0, [&] { return saveFile(path, dib, "jpeg", quality); });
}

IK5_EXPORT int IK5PngFileSave(const char* path, Ik5Dib dib, int, int, int, int, int, const char*, int,
                              const char*, const char*, const char*)
{
    return guarded(0, [&] { return saveFile(path, dib, "png", -1); });
}

IK5_EXPORT int IK5FileEncode(Ik5Dib dib, int format, int quality, Ik5ByteSink sink, void* context)
{
    if (quality < 0 || quality > 100) {
        return 0;
    }
    return guarded(0, [&] { return encodeImage(dib, format, quality, sink, context); });
}

IK5_EXPORT int IK5TiffFileSave(const char* path, Ik5Dib dib, int, int, int, const char*, int,
                               const char*, const char*, const char*)
{
    return guarded(0, [&] { return saveFile(path, dib, "tiff", -1); });
}

IK5_EXPORT void IK5FileGetStatus(IK5FILESTATUS* status)
{
    if (status == nullptr) {
        return;
    }
    const FileProblem& problem = lastOutcome.problem;
    *status = IK5FILESTATUS{};
    status->error = static_cast<int>(problem.error);
    status->notes = lastOutcome.notes;
    status->width = problem.width;
    status->height = problem.height;
    status->limitPixels = problem.limitPixels;
    std::strncpy(status->format, problem.format.c_str(), sizeof status->format - 1);
}

IK5_EXPORT int IK5FileGetProfile(unsigned char* buffer, int capacity)
{
    const QByteArray& profile = lastOutcome.profile;
    if (buffer != nullptr && capacity > 0) {
        std::memcpy(buffer, profile.constData(), static_cast<std::size_t>(std::min<qsizetype>(capacity, profile.size())));
    }
    return static_cast<int>(profile.size());
}
