// IK5FILE: reads JPEG, PNG, TIFF, BMP, WebP, HEIF and AVIF files into DIBs
// and writes 24-bit DIBs as JPEG, PNG or TIFF: JPEG with TurboJPEG
// (JpegCodec.h), HEIF and AVIF with libheif (HeifDecoding.h), CMYK TIFF
// with libtiff (TiffCmyk.h), the others over Qt's image readers and writers.
// A file longer than any photo within the pixel limit is refused unread, a
// JPEG's frame is checked from the first bytes, and the rest is then read
// whole, so that a truncated JPEG, PNG or BMP can be refused; the header is
// checked against the pixel limit and the file's size before the picture is
// given any memory. Every save goes through QSaveFile, so a failed save leaves any
// existing file untouched. IK5FileEncode encodes in memory instead, for
// callers that write the file; IK5FileInfo reads the headers alone.
// Each call leaves its outcome (the reason of a failure, the notes of a load,
// the colour profile) for IK5FileGetStatus and IK5FileGetProfile, and keeps
// the decoders' warnings off the terminal.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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

#include "ColourConversion.h"
#include "DibBlock.h"
#include "FileSniffing.h"
#include "HeifDecoding.h"
#include "image/FileProblem.h"
#include "image/HugePages.h"
#include "FileCompleteness.h"
#include "JpegCodec.h"
#include "ModuleExport.h"
#include "QtDibConversion.h"
#include "Refusal.h"
#include "TiffCmyk.h"
#include "image/ik5/DibPixels.h"

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

using ik5module::refuse;
using ik5module::Refusal;

// Qt's decoders and encoders (libpng, libtiff, libwebp through Qt) print
// warnings about the files they read: none of them reaches the terminal
// while the module works. The calls come from one thread, as the library
// requires.
class QuietQt {
public:
    QuietQt() : previous_(qInstallMessageHandler(drop)) {}
    ~QuietQt() { qInstallMessageHandler(previous_); }
    QuietQt(const QuietQt&) = delete;
    QuietQt& operator=(const QuietQt&) = delete;

private:
    static void drop(QtMsgType, const QMessageLogContext&, const QString&) {}
    QtMessageHandler previous_;
};

bool isReadFormat(const QByteArray& format)
{
    return format == "jpeg" || format == "jpg" || format == "png" || format == "tiff"
           || format == "tif" || format == "bmp" || format == "webp";
}

// The longest file read: 8 bytes a pixel for the largest picture the pixel
// limit lets through (16 bits of red, green, blue and alpha stored
// uncompressed, more than any photo of a format read here spends on a
// pixel), and 256 MB besides for metadata, further pages and what cameras
// append after the picture. A longer file is refused before it is read.
constexpr std::int64_t kMaxFileBytes = 8 * ik5module::kMaxPixels + (std::int64_t{256} << 20);

// The first bytes, read before the rest: they hold a JPEG's frame unless
// its metadata segments are unusually long.
constexpr std::size_t kHeadBytes = 64 * 1024;

// An open file, closed when the read ends however it ends.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { ::close(fd_); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads up to `size` bytes into `buffer`; fewer only at the end of the file.
std::size_t readUpTo(int fd, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            refuse(fileErrorOfErrno(errno, false));
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// A JPEG whose frame the first bytes hold is checked against the pixel limit
// and the file's length there, so that a file whose header cannot be right
// is refused before the rest of it is read.
void checkJpegHead(std::span<const std::uint8_t> head, std::uint64_t fileBytes)
{
    if (const std::optional<ik5module::JpegLayout> layout = ik5module::readJpegLayout(head)) {
        ik5module::checkJpegFrame(*layout, fileBytes);
    }
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
    // Opened by its bytes: a name that is not UTF-8 has no QString that
    // leads back to it. Without waiting, and checked again once open, in
    // case the name came to stand for a pipe in between.
    const FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        refuse(fileErrorOfErrno(errno, false));
    }
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        refuse(FileError::NotRegularFile);
    }
    if (status.st_size > kMaxFileBytes) {
        throw Refusal{FileProblem{FileError::TooLarge, {}, 0, 0, ik5module::kMaxPixels}};
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    std::array<char, kHeadBytes> head;
    const std::size_t headBytes = readUpTo(file.get(), head.data(), std::min(size, head.size()));
    checkJpegHead(std::span(reinterpret_cast<const std::uint8_t*>(head.data()), headBytes), size);
    // A file that grows while it is read is read as long as it was.
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    hugepages::advise(bytes.data(), size);
    std::copy_n(head.data(), headBytes, bytes.data());
    const std::size_t restBytes =
        headBytes < head.size() ? 0 : readUpTo(file.get(), bytes.data() + headBytes, size - headBytes);
    bytes.truncate(static_cast<qsizetype>(headBytes + restBytes));
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

// True when the ICC profile's header names grey pixels. Qt describes a grey
// picture that has no profile of its own (a PNG's gamma, say) with an RGB
// one of its making, which fits the RGB pixels the picture becomes.
bool describesGrey(const QByteArray& profile)
{
    return profile.size() >= 20 && profile.mid(16, 4) == "GRAY";
}

// The converted picture's DIB, with what the conversion did and the profile
// of its pixels in the outcome.
Ik5Dib keptConversion(const ik5module::ConvertedPicture& converted)
{
    lastOutcome.notes |= (converted.convertedToSrgb ? LoadNotes{NoteConvertedToSrgb} : LoadNotes{0})
                         | (converted.standardProfileUsed ? LoadNotes{NoteProfileIgnored} : LoadNotes{0});
    lastOutcome.profile = QByteArray(reinterpret_cast<const char*>(converted.profile.data()),
                                     static_cast<qsizetype>(converted.profile.size()));
    return converted.dib;
}

// The record's DIB of a decoded picture whose pixels `profile` describes,
// with the profile of the DIB's pixels in the outcome: a grey picture with a
// grey profile is converted to sRGB through it; every other picture keeps
// its values and profile.
Ik5Dib dibOfDecoded(QImage image, const QByteArray& profile)
{
    const bool grey = image.format() == QImage::Format_Grayscale8 || image.format() == QImage::Format_Grayscale16;
    if (!grey || !describesGrey(profile)) {
        lastOutcome.profile = profile;
        return ik5module::dibFromImage(std::move(image));
    }
    const QImage grey8 = image.convertToFormat(QImage::Format_Grayscale8);
    if (grey8.isNull()) {
        refuse(FileError::OutOfMemory);
    }
    return keptConversion(ik5module::convertToDib(
        {grey8.width(), grey8.height(), ik5module::DecodedLayout::Grey8, false,
         std::span(grey8.constBits(), static_cast<std::size_t>(grey8.sizeInBytes())),
         static_cast<std::size_t>(grey8.bytesPerLine()),
         std::span(reinterpret_cast<const std::uint8_t*>(profile.constData()), static_cast<std::size_t>(profile.size()))}));
}

// A CMYK TIFF, converted through its own profile; `pages`: the file's count
// of pictures.
Ik5Dib dibOfCmykTiff(const ik5module::CmykTiff& tiff, int pages)
{
    lastOutcome.notes = (tiff.deep ? LoadNotes{NoteReducedTo8Bits} : LoadNotes{0})
                        | (pages > 1 ? LoadNotes{NoteFirstPageOnly} : LoadNotes{0});
    Ik5Dib dib = keptConversion(ik5module::convertToDib(
        {tiff.width, tiff.height, ik5module::DecodedLayout::Cmyk8, false, tiff.inks, 0, tiff.profile}));
    if (!dib) {
        refuse(FileError::OutOfMemory);
    }
    return dib;
}

Ik5Dib loadHeif(std::span<const std::uint8_t> content)
{
    ik5module::HeifPicture picture = ik5module::decodeHeif(content);
    if (picture.problem) {
        throw Refusal{picture.problem};
    }
    lastOutcome.notes = notesOf(picture.pictures, picture.image)
                        | (picture.deep ? LoadNotes{NoteReducedTo8Bits} : LoadNotes{0})
                        | (picture.profileIgnored ? LoadNotes{NoteProfileIgnored} : LoadNotes{0});
    const QByteArray profile(reinterpret_cast<const char*>(picture.profile.data()),
                             static_cast<qsizetype>(picture.profile.size()));
    Ik5Dib dib = dibOfDecoded(std::move(picture.image), profile);
    if (!dib) {
        refuse(FileError::OutOfMemory);
    }
    return dib;
}

std::span<const std::uint8_t> spanOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

// A file read whole, with the format Qt recognises in it (jpeg, png, tiff,
// bmp or webp); every other file is refused with its reason.
struct ReadFile {
    QByteArray bytes;
    QByteArray format;
};

ReadFile readPhotoFile(const char* path)
{
    ReadFile file{readWholeFile(path), {}};
    const std::span<const std::uint8_t> content = spanOf(file.bytes);
    if (content.empty()) {
        refuse(FileError::Damaged);
    }
    if (const std::optional<std::string> raw = ik5module::cameraRawKind(content, path)) {
        refuse(FileError::CameraRaw, *raw);
    }
    if (const std::string name = ik5module::formatName(content); name == "HEIF" || name == "AVIF") {
        file.format = QByteArray::fromStdString(name);
        return file;
    }
    // Qt's JPEG reader takes exactly the files that start with the
    // start-of-image marker, and TurboJPEG reads them: Qt's image plugins,
    // whose loading costs more than reading the headers, stay unloaded.
    if (content.size() >= 2 && content[0] == 0xFF && content[1] == ik5module::kJpegStartOfImage) {
        file.format = "jpeg";
        return file;
    }
    QBuffer buffer(&file.bytes);
    if (!buffer.open(QIODevice::ReadOnly)) {
        refuse(FileError::ReadFailed);
    }
    file.format = QImageReader(&buffer).format();
    if (!isReadFormat(file.format)) {
        if (ik5module::startsLikeReadFormat(content)) {
            refuse(FileError::Damaged);
        }
        const std::string known = ik5module::formatName(content);
        refuse(FileError::UnknownFormat, known.empty() ? file.format.toUpper().toStdString() : known);
    }
    return file;
}

// readPhotoFile's name for the files libheif reads.
bool isHeif(const QByteArray& format)
{
    return format == "HEIF" || format == "AVIF";
}

bool isJpeg(const QByteArray& format)
{
    return format == "jpeg" || format == "jpg";
}

// The headers of a JPEG whose segments are all there. One whose end marker
// alone is missing gets it added to `bytes` (NoteMissingEndMarker).
ik5module::JpegHeader jpegHeader(QByteArray& bytes, LoadNotes& notes)
{
    if (!ik5module::jpegIsComplete(spanOf(bytes))) {
        bytes.append("\xff\xd9", 2);
        if (!ik5module::jpegIsComplete(spanOf(bytes))) {
            refuse(FileError::Damaged);
        }
        notes |= NoteMissingEndMarker;
    }
    return ik5module::readJpegHeader(spanOf(bytes));
}

// The notes and profile of a decoded JPEG as the call's outcome. Data cut
// short inside a scan, which the added end marker closed, is not a whole
// picture: refused, as a file cut anywhere else is.
void keepJpegOutcome(LoadNotes notes, const ik5module::DecodedJpeg& decoded)
{
    if ((notes & NoteMissingEndMarker) && (decoded.notes & NoteDamagedData)) {
        refuse(FileError::Damaged);
    }
    lastOutcome.notes = notes | decoded.notes;
    lastOutcome.profile = QByteArray(reinterpret_cast<const char*>(decoded.profile.data()),
                                     static_cast<qsizetype>(decoded.profile.size()));
}

Ik5Dib loadJpeg(QByteArray& bytes)
{
    LoadNotes notes = 0;
    const ik5module::JpegHeader header = jpegHeader(bytes, notes);
    ik5module::DecodedJpeg decoded = ik5module::decodeJpeg(spanOf(bytes), header);
    keepJpegOutcome(notes, decoded);
    return decoded.dib.release();
}

// Refuses, before anything is decoded, a picture whose header states more
// pixels than the limit, a PNG, TIFF or WebP whose (compressed) data cannot
// hold the picture its header states, and a PNG or BMP cut short.
void checkQtHeader(QImageReader& reader, const ReadFile& file)
{
    const QSize size = reader.size();
    if (size.isValid() && !ik5module::acceptableSize(size.width(), size.height())) {
        throw Refusal{FileProblem{FileError::TooLarge, {}, size.width(), size.height(), ik5module::kMaxPixels}};
    }
    const std::span<const std::uint8_t> content = spanOf(file.bytes);
    if (file.format == "png" && (!ik5module::pngIsComplete(content) || !ik5module::pngHoldsItsPixels(content))) {
        refuse(FileError::Damaged);
    }
    if (file.format == "bmp" && !ik5module::bmpIsComplete(content)) {
        refuse(FileError::Damaged);
    }
    if ((file.format == "tiff" || file.format == "tif") && !ik5module::tiffHoldsItsPixels(content)) {
        refuse(FileError::Damaged);
    }
    if (file.format == "webp" && !ik5module::webpHoldsItsPixels(content)) {
        refuse(FileError::Damaged);
    }
}

// An empty picture of the size and format the reader gives, on huge pages
// where the kernel allows: Qt's readers fill a picture passed to them that
// already has their size and format, which a 20-megapixel one would
// otherwise fault in page by page, some eighteen thousand times. Empty when
// the reader cannot say or the memory is not there; the reader then makes
// its own, and a picture beyond Qt's limit is left to the reader to refuse.
QImage emptyPictureFor(QImageReader& reader)
{
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (!size.isValid() || format == QImage::Format_Invalid) {
        return {};
    }
    const qint64 bits = qint64{size.width()} * size.height() * QImage::toPixelFormat(format).bitsPerPixel();
    if (bits / 8 > (qint64{kDecodeLimitMegabytes} << 20)) {
        return {};
    }
    QImage image(size, format);
    if (!image.isNull()) {
        hugepages::advise(image.bits(), static_cast<std::size_t>(image.sizeInBytes()));
    }
    return image;
}

Ik5Dib loadWithQt(ReadFile& file)
{
    QBuffer buffer(&file.bytes);
    if (!buffer.open(QIODevice::ReadOnly)) {
        refuse(FileError::ReadFailed);
    }
    QImageReader::setAllocationLimit(kDecodeLimitMegabytes);
    QImageReader reader(&buffer, file.format);
    reader.setAutoTransform(true);
    checkQtHeader(reader, file);
    const int pages = ik5module::tiffPageCount(spanOf(file.bytes));
    if (file.format == "tiff" || file.format == "tif") {
        if (const std::optional<ik5module::CmykTiff> cmyk = ik5module::readCmykTiff(spanOf(file.bytes))) {
            return dibOfCmykTiff(*cmyk, pages);
        }
    }
    QImage image = emptyPictureFor(reader);
    if (!reader.read(&image)) {
        refuse(FileError::Damaged);
    }
    lastOutcome.notes = notesOf(pages, image);
    const QByteArray profile = image.colorSpace().iccProfile();
    Ik5Dib dib = dibOfDecoded(std::move(image), profile);
    if (!dib) {
        refuse(FileError::OutOfMemory);
    }
    return dib;
}

Ik5Dib loadDecoded(ReadFile& file)
{
    if (isHeif(file.format)) {
        return loadHeif(spanOf(file.bytes));
    }
    return isJpeg(file.format) ? loadJpeg(file.bytes) : loadWithQt(file);
}

Ik5Dib loadFile(const char* path)
{
    ReadFile file = readPhotoFile(path);
    return loadDecoded(file);
}

// The bit count dibFromImage gives a picture of this format.
int bitCountOf(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return 8;
    default:
        return 24;
    }
}

// What loadFile would give, from the headers: the same refusals except those
// only decoding finds (damaged data), and the notes but NoteAlphaFlattened,
// which depends on the pixels.
int fileInfo(const char* path, IK5FILEINFO& info)
{
    ReadFile file = readPhotoFile(path);
    info = IK5FILEINFO{};
    if (isHeif(file.format)) {
        // libheif gives the upright size only with the picture: it is decoded.
        const ik5module::HeifPicture picture = ik5module::decodeHeif(spanOf(file.bytes));
        if (picture.problem) {
            throw Refusal{picture.problem};
        }
        info.width = picture.image.width();
        info.height = picture.image.height();
        info.bitCount = 24;
        lastOutcome.notes = (picture.deep ? LoadNotes{NoteReducedTo8Bits} : LoadNotes{0})
                            | (picture.pictures > 1 ? LoadNotes{NoteFirstPageOnly} : LoadNotes{0});
        std::strncpy(info.format, file.format.constData(), sizeof info.format - 1);
        return 1;
    }
    if (isJpeg(file.format)) {
        const ik5module::JpegHeader header = jpegHeader(file.bytes, lastOutcome.notes);
        info.width = header.width;
        info.height = header.height;
        info.bitCount = header.bitCount;
        std::strncpy(info.format, "JPEG", sizeof info.format - 1);
        return 1;
    }
    QBuffer buffer(&file.bytes);
    if (!buffer.open(QIODevice::ReadOnly)) {
        refuse(FileError::ReadFailed);
    }
    QImageReader reader(&buffer, file.format);
    reader.setAutoTransform(true);
    checkQtHeader(reader, file);
    const QSize size = reader.size();
    if (!size.isValid()) {
        refuse(FileError::Damaged);
    }
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    info.width = turned ? size.height() : size.width();
    info.height = turned ? size.width() : size.height();
    const QImage::Format format = reader.imageFormat();
    info.bitCount = bitCountOf(format);
    lastOutcome.notes = (isDeep(format) ? LoadNotes{NoteReducedTo8Bits} : LoadNotes{0})
                        | (ik5module::tiffPageCount(spanOf(file.bytes)) > 1 ? LoadNotes{NoteFirstPageOnly} : LoadNotes{0});
    const QByteArray name = file.format == "webp" ? QByteArray("WebP") : file.format.toUpper();
    std::strncpy(info.format, name.constData(), sizeof info.format - 1);
    return 1;
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

// Beyond the pixels' bytes, what a PNG or TIFF writer adds: headers, tags,
// row filters and the incompressible worst of deflate.
constexpr qsizetype kEncodedHeadroomBytes = qsizetype{1} << 20;

// An encoded file in memory: TurboJPEG's buffer for JPEG, Qt's for the others.
struct EncodedFile {
    std::optional<ik5module::EncodedJpeg> jpeg;
    QByteArray other;

    std::span<const std::uint8_t> bytes() const
    {
        return jpeg ? std::span<const std::uint8_t>(jpeg->bytes.get(), jpeg->size) : spanOf(other);
    }
};

// The picture of 24-bit rows (bottom-up, `stride` bytes apart) as a file of
// `format` (1 JPEG at `quality`, 2 PNG, 3 TIFF).
EncodedFile encodeFile(const std::uint8_t* pixels, int width, int height, std::size_t stride, int format, int quality)
{
    if (pixels == nullptr || !ik5module::acceptableSize(width, height) || stride < 3 * static_cast<std::size_t>(width)
        || format < 1 || format > 3) {
        refuse(FileError::WriteFailed);
    }
    EncodedFile encoded;
    if (format == 1) {
        encoded.jpeg = ik5module::encodeJpeg(pixels, width, height, stride, quality);
        if (!encoded.jpeg) {
            refuse(FileError::WriteFailed);
        }
        return encoded;
    }
    const QImage image = ik5module::imageFromRows(pixels, width, height, stride);
    if (image.isNull()) {
        refuse(FileError::OutOfMemory);
    }
    // Room for about the whole file before the writer starts, on huge pages
    // where the kernel allows, rather than a buffer grown and faulted in page
    // by page as the writer goes. Room never written costs nothing.
    encoded.other.reserve(image.sizeInBytes() + kEncodedHeadroomBytes);
    hugepages::advise(encoded.other.data(), static_cast<std::size_t>(encoded.other.capacity()));
    QBuffer buffer(&encoded.other);
    if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, format == 2 ? "png" : "tiff").write(image)) {
        refuse(FileError::WriteFailed);
    }
    return encoded;
}

// A DIB the writers take: 24 bits, as viewDib reads it.
EncodedFile encodeDib(Ik5Dib dib, int format, int quality)
{
    const std::optional<ik5module::DibView> view = ik5module::viewDib(dib);
    if (!view || view->header.biBitCount != 24) {
        refuse(FileError::WriteFailed);
    }
    return encodeFile(view->pixels, view->header.biWidth, view->header.biHeight, view->stride, format, quality);
}

int saveFile(const char* path, Ik5Dib dib, int format, int quality)
{
    if (!path) {
        refuse(FileError::WriteFailed);
    }
    const EncodedFile encoded = encodeDib(dib, format, quality);
    const std::span<const std::uint8_t> bytes = encoded.bytes();
    QSaveFile file(QFile::decodeName(path));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        refuse(saveError(file, errno));
    }
    if (file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()))
        != static_cast<qint64>(bytes.size())) {
        const FileError error = saveError(file, errno);
        file.cancelWriting();
        refuse(error);
    }
    if (!file.commit()) {
        refuse(saveError(file, errno));
    }
    return 1;
}

int deliver(const EncodedFile& encoded, Ik5ByteSink sink, void* context)
{
    const std::span<const std::uint8_t> bytes = encoded.bytes();
    sink(context, bytes.data(), static_cast<unsigned long>(bytes.size()));
    return 1;
}

// Loads into the caller's rows: a JPEG that decodes straight is written
// there by the decoder; any other picture is copied there from its DIB.
int loadInto(const char* path, Ik5PixelTarget target, void* context)
{
    ReadFile file = readPhotoFile(path);
    const auto place = [&](int width, int height) {
        std::uint8_t* pixels = target(context, width, height);
        if (pixels == nullptr) {
            refuse(FileError::OutOfMemory);
        }
        return pixels;
    };
    if (isJpeg(file.format)) {
        LoadNotes notes = 0;
        const ik5module::JpegHeader header = jpegHeader(file.bytes, notes);
        if (ik5module::decodesStraight(header)) {
            const ik5module::DecodedJpeg decoded =
                ik5module::decodeJpegInto(spanOf(file.bytes), header, place(header.width, header.height));
            keepJpegOutcome(notes, decoded);
            return 1;
        }
    }
    const ik5module::OwnedDib dib(loadDecoded(file));
    const ik5module::DibView view = *ik5module::viewDib(dib.get());
    ik5::copyDibPixels(view.header, static_cast<const std::uint8_t*>(dib.get()),
                       place(view.header.biWidth, view.header.biHeight));
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
    return guarded(0, [&] { return saveFile(path, dib, 1, quality); });
}

IK5_EXPORT int IK5PngFileSave(const char* path, Ik5Dib dib, int, int, int, int, int, const char*, int,
                              const char*, const char*, const char*)
{
    return guarded(0, [&] { return saveFile(path, dib, 2, 0); });
}

IK5_EXPORT int IK5FileEncode(Ik5Dib dib, int format, int quality, Ik5ByteSink sink, void* context)
{
    if (quality < 0 || quality > 100) {
        return 0;
    }
    return guarded(0, [&] { return sink == nullptr ? 0 : deliver(encodeDib(dib, format, quality), sink, context); });
}

IK5_EXPORT int IK5FileEncodePixels(const unsigned char* pixels, int width, int height, int stride, int format,
                                   int quality, Ik5ByteSink sink, void* context)
{
    if (quality < 0 || quality > 100 || stride < 0) {
        return 0;
    }
    return guarded(0, [&] {
        return sink == nullptr
                   ? 0
                   : deliver(encodeFile(pixels, width, height, static_cast<std::size_t>(stride), format, quality), sink,
                             context);
    });
}

IK5_EXPORT int IK5FileLoadInto(const char* path, Ik5PixelTarget target, void* context)
{
    return guarded(0, [&] {
        if (path == nullptr || target == nullptr) {
            refuse(FileError::NoSuchFile);
        }
        return loadInto(path, target, context);
    });
}

IK5_EXPORT int IK5TiffFileSave(const char* path, Ik5Dib dib, int, int, int, const char*, int,
                               const char*, const char*, const char*)
{
    return guarded(0, [&] { return saveFile(path, dib, 3, 0); });
}

IK5_EXPORT int IK5FileInfo(const char* path, IK5FILEINFO* info)
{
    return guarded(0, [&] {
        if (path == nullptr || info == nullptr) {
            refuse(FileError::NoSuchFile);
        }
        return fileInfo(path, *info);
    });
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
