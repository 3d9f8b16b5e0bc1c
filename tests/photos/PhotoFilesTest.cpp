// Photo files as cameras, phones and other programs make them, each made
// here with the libraries themselves and opened through the real modules:
// every one either opens (with the notes the user is told) or is refused
// with the reason the user reads.
#include <sys/stat.h>

#include <tiffio.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include "image/COvImage2.h"
#include "image/ImageTestSupport.h"

namespace {

namespace fs = std::filesystem;
using imagetest::TempFolder;

// A small picture with a gradient, so that no two neighbours are equal.
QImage gradient(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGBA64);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixelColor(x, y, QColor::fromRgba64(static_cast<quint16>(x * 65535 / width),
                                                         static_cast<quint16>(y * 65535 / height), 40000, 65535));
        }
    }
    return image.convertToFormat(format);
}

std::string writtenByQt(const TempFolder& folder, const std::string& name, const QImage& image)
{
    const std::string path = folder.file(name);
    QImageWriter writer(QString::fromStdString(path));
    EXPECT_TRUE(writer.write(image)) << name << ": " << writer.errorString().toStdString();
    return path;
}

// One directory of an 8-bit RGB TIFF of width x height in `tiff`.
void putBigEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

// The CRC-32 of PNG chunks.
std::uint32_t crc32(std::span<const std::uint8_t> data)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void writeTiffPage(TIFF* tiff, std::uint32_t width, std::uint32_t height, int bits)
{
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(bits / 8), 0x5A);
    for (std::uint32_t y = 0; y < height; ++y) {
        TIFFWriteScanline(tiff, row.data(), y, 0);
    }
}

// A TIFF made with libtiff: `pages` pictures of `bits` bits per channel.
std::string writtenTiff(const TempFolder& folder, const std::string& name, int pages, int bits)
{
    const std::string path = folder.file(name);
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    for (int page = 0; page < pages; ++page) {
        writeTiffPage(tiff, 4, 3, bits);
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return path;
}

// A TIFF laid out as cameras store raw data: the main picture is a small
// preview, the full picture waits in a sub-directory. `dng` adds the DNG
// version tag.
std::string writtenRawLikeTiff(const TempFolder& folder, const std::string& name, bool dng)
{
    const std::string path = folder.file(name);
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    std::uint64_t subIfdOffset = 0;
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    TIFFSetField(tiff, TIFFTAG_SUBIFD, 1, &subIfdOffset);
    if (dng) {
        const std::uint8_t version[4] = {1, 4, 0, 0};
        TIFFSetField(tiff, TIFFTAG_DNGVERSION, version);
    }
    writeTiffPage(tiff, 4, 3, 8);
    TIFFWriteDirectory(tiff);
    writeTiffPage(tiff, 40, 30, 8);
    TIFFWriteDirectory(tiff);
    TIFFClose(tiff);
    return path;
}

std::string writtenBytes(const TempFolder& folder, const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    const std::string path = folder.file(name);
    imagetest::writeBytes(path, bytes);
    return path;
}

struct PhotoCase {
    const char* name;
    std::function<std::string(const TempFolder&)> make; // returns the path to open
    bool opens;
    // Opened: the notes the user is told, one per line. Refused: the reason.
    std::string message;
};

std::string joinedNotes(LoadNotes notes)
{
    std::string joined;
    for (const std::string& note : loadNoteMessages(notes)) {
        joined += note + "\n";
    }
    return joined;
}

const std::vector<PhotoCase>& photoCases()
{
    static const std::vector<PhotoCase> cases = {
        {"missing file", [](const TempFolder& f) { return f.file("no-such.jpg"); }, false,
         "ファイルが見つかりません。"},
        {"folder", [](const TempFolder& f) { return f.path().string(); }, false,
         "フォルダーです。写真のファイルを選んでください。"},
        {"pipe",
         [](const TempFolder& f) {
             const std::string path = f.file("pipe.jpg");
             ::mkfifo(path.c_str(), 0600);
             return path;
         },
         false, "写真のファイルではありません（パイプやデバイスなど）。写真のファイルを選んでください。"},
        {"device", [](const TempFolder&) { return std::string("/dev/zero"); }, false,
         "写真のファイルではありません（パイプやデバイスなど）。写真のファイルを選んでください。"},
        {"GIF",
         [](const TempFolder& f) {
             return writtenBytes(f, "a.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'});
         },
         false, "このプログラムが読めない形式のファイルです（GIF）。読めるのは JPEG、PNG、TIFF、BMP、WebP、HEIF、AVIF です。"},
        {"truncated PNG",
         [](const TempFolder& f) {
             std::vector<std::uint8_t> bytes = imagetest::readBytes(
                 writtenByQt(f, "whole.png", gradient(7, 5, QImage::Format_RGB888)));
             bytes.resize(bytes.size() - 20);
             return writtenBytes(f, "cut.png", bytes);
         },
         false, "ファイルが壊れているか、途中で切れています。"},
        {"too large",
         [](const TempFolder& f) {
             // A PNG whose header states 100000 x 100000 pixels.
             std::vector<std::uint8_t> bytes =
                 imagetest::readBytes(writtenByQt(f, "small.png", gradient(2, 2, QImage::Format_RGB888)));
             constexpr std::size_t kHeaderChunk = 12;
             constexpr std::size_t kHeaderChunkBytes = 17; // type and data
             for (std::size_t at : {std::size_t{16}, std::size_t{20}}) {
                 putBigEndian(bytes, at, 100000);
             }
             putBigEndian(bytes, kHeaderChunk + kHeaderChunkBytes,
                          crc32(std::span(bytes).subspan(kHeaderChunk, kHeaderChunkBytes)));
             return writtenBytes(f, "huge.png", bytes);
         },
         false, "写真が大きすぎます（100000 × 100000 ピクセル。上限は 268435456 ピクセルです）。"},
        {"DNG", [](const TempFolder& f) { return writtenRawLikeTiff(f, "photo.tif", true); }, false,
         "カメラの RAW ファイルです（DNG）。このプログラムは RAW ファイルを読めません。現像ソフトで JPEG か TIFF にしてから開いてください。"},
        {"raw with a preview",
         [](const TempFolder& f) { return writtenRawLikeTiff(f, "photo.nef", false); }, false,
         "カメラの RAW ファイルです（NEF）。このプログラムは RAW ファイルを読めません。現像ソフトで JPEG か TIFF にしてから開いてください。"},
        {"plain TIFF", [](const TempFolder& f) { return writtenTiff(f, "plain.tif", 1, 8); }, true, ""},
        {"16-bit TIFF", [](const TempFolder& f) { return writtenTiff(f, "deep.tif", 1, 16); }, true,
         "16 ビットの写真を 8 ビットにして開きました。保存すると 8 ビットになります。\n"},
        {"2-page TIFF", [](const TempFolder& f) { return writtenTiff(f, "pages.tif", 2, 8); }, true,
         "複数の画像を含むファイルです。最初の画像だけを開きました。\n"},
        {"transparent PNG",
         [](const TempFolder& f) {
             QImage image = gradient(5, 4, QImage::Format_ARGB32);
             image.setPixel(1, 1, qRgba(10, 20, 30, 100));
             return writtenByQt(f, "alpha.png", image);
         },
         true, "透明な部分は白地に重ねて開きました。保存すると透明ではなくなります。\n"},
        {"opaque PNG with an alpha channel",
         [](const TempFolder& f) { return writtenByQt(f, "opaque.png", gradient(5, 4, QImage::Format_ARGB32)); },
         true, ""},
        {"JPEG without its end marker",
         [](const TempFolder& f) {
             std::vector<std::uint8_t> bytes =
                 imagetest::readBytes(writtenByQt(f, "whole.jpg", gradient(33, 17, QImage::Format_RGB888)));
             bytes.resize(bytes.size() - 2);
             return writtenBytes(f, "open-ended.jpg", bytes);
         },
         true, "JPEG ファイルの終わりの印がありません。画像は最後まで読めました。\n"},
        {"JPEG cut inside its data",
         [](const TempFolder& f) {
             std::vector<std::uint8_t> bytes =
                 imagetest::readBytes(writtenByQt(f, "whole.jpg", gradient(33, 17, QImage::Format_RGB888)));
             bytes.resize(bytes.size() - 40);
             return writtenBytes(f, "cut.jpg", bytes);
         },
         false, "ファイルが壊れているか、途中で切れています。"},
        {"WebP", [](const TempFolder& f) { return writtenByQt(f, "photo.webp", gradient(9, 7, QImage::Format_RGB888)); },
         true, ""},
    };
    return cases;
}

class PhotoFiles : public imagetest::WithImageLibrary {};

TEST_F(PhotoFiles, EachOpensWithItsNotesOrIsRefusedWithItsReason)
{
    for (const PhotoCase& photo : photoCases()) {
        SCOPED_TRACE(photo.name);
        const TempFolder folder;
        const std::string path = photo.make(folder);
        COvImage2 image;
        ASSERT_EQ(image.loadFromFile(path), photo.opens);
        if (photo.opens) {
            EXPECT_EQ(joinedNotes(image.loadNotes), photo.message);
        } else {
            EXPECT_EQ(fileProblemMessage(image.fileProblem), photo.message);
        }
    }
}

TEST_F(PhotoFiles, ASaveNamesWhyItFailed)
{
    const TempFolder folder;
    COvImage2 image;
    image.allocatePlanes(3, 2);
    const std::pair<std::string, std::string> cases[] = {
        {folder.file("missing/a.png"), "保存先のフォルダーが見つかりません。"},
        {folder.path().string(), "フォルダーです。写真のファイルを選んでください。"},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(image.saveToFile(path, SaveFormatPng));
        EXPECT_EQ(fileProblemMessage(image.fileProblem), reason);
    }
}

} // namespace
