// Photo files as cameras, phones and other programs make them, each made
// here with the libraries themselves and opened through the real modules:
// every one either opens (with the notes the user is told) or is refused
// with the reason the user reads. JPEGs decode to the bytes Qt's reader
// gives, turned upright, and encode to the bytes its writer makes.
#include <sys/stat.h>

#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <lcms2.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include "image/COvImage2.h"
#include "image/DisplayColour.h"
#include "image/ImageTestSupport.h"
#include "image/metadata/ExivMetadataIo.h"
#include "support/ColourProfiles.h"

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

// An RGB TIFF whose header claims `side` x `side` pixels in `strips` strips
// of `compression`, holding 100 KB of data in all.
std::string tiffClaiming(const TempFolder& folder, const std::string& name, std::uint32_t side, int compression,
                         std::uint32_t strips)
{
    const std::string path = folder.file(name);
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, side);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, side);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, side / strips);
    std::vector<std::uint8_t> data(100000 / strips, 0x5A);
    for (std::uint32_t strip = 0; strip < strips; ++strip) {
        TIFFWriteRawStrip(tiff, strip, data.data(), static_cast<tmsize_t>(data.size()));
    }
    TIFFClose(tiff);
    return path;
}

// A flat grey RGB TIFF in one strip of `compression`: as tightly packed as
// the compression gets.
std::string flatTiff(const TempFolder& folder, const std::string& name, int compression)
{
    const std::string path = folder.file(name);
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, 9);
    writeTiffPage(tiff, 2048, 1024, 8);
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

// The offset of the first marker `code` in a JPEG that Qt wrote.
std::size_t markerAt(const std::vector<std::uint8_t>& bytes, std::uint8_t code)
{
    for (std::size_t i = 2; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == code) {
            return i;
        }
    }
    ADD_FAILURE() << "no marker " << int{code};
    return 0;
}

void putBigEndian16(std::vector<std::uint8_t>& bytes, std::size_t at, int value)
{
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

// A noisy picture, so that its JPEG carries real scan data.
QImage noisy(int width, int height)
{
    QImage image = gradient(width, height, QImage::Format_RGB888);
    std::uint32_t state = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 3 * width; ++x) {
            state = state * 1103515245u + 12345u;
            image.scanLine(y)[x] = static_cast<uchar>(image.scanLine(y)[x] ^ (state >> 27));
        }
    }
    return image;
}

// A JPEG whose frame header claims `side` x `side` pixels.
std::string jpegClaiming(const TempFolder& folder, int side)
{
    std::vector<std::uint8_t> bytes = imagetest::readBytes(writtenByQt(folder, "small.jpg", noisy(160, 120)));
    const std::size_t frame = markerAt(bytes, 0xC0);
    putBigEndian16(bytes, frame + 5, side);
    putBigEndian16(bytes, frame + 7, side);
    return writtenBytes(folder, "claiming.jpg", bytes);
}

// A PNG whose header claims `side` x `side` pixels.
std::string pngClaiming(const TempFolder& folder, std::uint32_t side)
{
    std::vector<std::uint8_t> bytes = imagetest::readBytes(writtenByQt(folder, "small.png", noisy(160, 120)));
    constexpr std::size_t kHeaderChunk = 12;
    constexpr std::size_t kHeaderChunkBytes = 17; // type and data
    for (std::size_t at : {std::size_t{16}, std::size_t{20}}) {
        putBigEndian(bytes, at, side);
    }
    putBigEndian(bytes, kHeaderChunk + kHeaderChunkBytes, crc32(std::span(bytes).subspan(kHeaderChunk, kHeaderChunkBytes)));
    return writtenBytes(folder, "claiming.png", bytes);
}

// A lossy WebP whose frame header claims `side` x `side` pixels.
std::string webpClaiming(const TempFolder& folder, int side)
{
    std::vector<std::uint8_t> bytes = imagetest::readBytes(writtenByQt(folder, "small.webp", noisy(160, 120)));
    const std::size_t frame = static_cast<std::size_t>(std::search(bytes.begin(), bytes.end(), "VP8 ", "VP8 " + 4) - bytes.begin()) + 8;
    for (const std::size_t at : {frame + 6, frame + 8}) {
        bytes[at] = static_cast<std::uint8_t>(side);
        bytes[at + 1] = static_cast<std::uint8_t>(side >> 8);
    }
    return writtenBytes(folder, "claiming.webp", bytes);
}

// A JPEG whose scan data stops halfway but which ends with its end marker,
// as a download cut short and closed by a careless program looks.
std::string jpegWithCutScan(const TempFolder& folder)
{
    std::vector<std::uint8_t> bytes = imagetest::readBytes(writtenByQt(folder, "whole.jpg", noisy(64, 48)));
    const std::size_t scan = markerAt(bytes, 0xDA);
    const std::size_t data = scan + 2 + ((std::size_t{bytes[scan + 2]} << 8) | bytes[scan + 3]);
    bytes.resize(data + (bytes.size() - 2 - data) / 2);
    bytes.insert(bytes.end(), {0xFF, 0xD9});
    return writtenBytes(folder, "cut-scan.jpg", bytes);
}

// A CMYK JPEG as TurboJPEG writes it (YCCK with an Adobe marker): stored
// values inverted, so (255, 0, 0, 255) is no cyan, full magenta and yellow,
// no black.
std::string cmykJpeg(const TempFolder& folder)
{
    std::vector<unsigned char> pixels(16 * 16 * 4);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 255;
        pixels[i + 3] = 255;
    }
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(encoder, pixels.data(), 16, 0, 16, TJPF_CMYK, &jpeg, &size, TJSAMP_444, 100, 0), 0);
    const std::vector<std::uint8_t> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(encoder);
    return writtenBytes(folder, "cmyk.jpg", bytes);
}

// Grey with a 1.8 tone curve, so that its greys are not sRGB's.
std::vector<std::uint8_t> greyProfile()
{
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 1.8);
    std::vector<std::uint8_t> bytes = testsupport::iccBytes(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return bytes;
}

// A printer's CMYK profile in miniature: a 9-step table from CMYK to Lab
// that takes what is left of white after the inks as sRGB.
cmsInt32Number cmykToLab(const cmsUInt16Number in[], cmsUInt16Number out[], void* toLab)
{
    double rgb[3];
    for (int i = 0; i < 3; ++i) {
        rgb[i] = (1.0 - in[i] / 65535.0) * (1.0 - in[3] / 65535.0);
    }
    cmsCIELab lab;
    cmsDoTransform(static_cast<cmsHTRANSFORM>(toLab), rgb, &lab, 1);
    cmsFloat2LabEncoded(out, &lab);
    return TRUE;
}

std::vector<std::uint8_t> cmykProfile()
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_PERCEPTUAL, 0);
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 2.1);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* table = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* grid = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(grid, cmykToLab, toLab, 0);
    cmsPipelineInsertStage(table, cmsAT_END, grid);
    cmsWriteTag(profile, cmsSigAToB0Tag, table);
    cmsPipelineFree(table);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return testsupport::iccBytes(profile);
}

// A CMYK profile whose header and tag table say nothing usable: Little CMS
// opens it but cannot convert through it.
std::vector<std::uint8_t> handMadeCmykProfile()
{
    std::vector<std::uint8_t> bytes(132, 0);
    bytes[3] = 132;
    bytes[8] = 2;
    for (const auto& [at, text] : {std::pair{12, "prtr"}, {16, "CMYK"}, {20, "Lab "}, {36, "acsp"}}) {
        std::copy_n(text, 4, bytes.begin() + at);
    }
    return bytes;
}

using Bgr = std::array<std::uint8_t, 3>;

// What Little CMS makes of one pixel of `format` in `profile` as sRGB.
Bgr srgbOf(const std::vector<std::uint8_t>& profile, cmsUInt32Number format, const std::uint8_t* pixel)
{
    cmsHPROFILE source = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(source, format, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    Bgr bgr{};
    cmsDoTransform(transform, pixel, bgr.data(), 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(source);
    return bgr;
}

// A JPEG of one flat colour (so that its decoded values are exact) with
// `components` 1 (grey), 3 (RGB) or 4 (CMYK), carrying `profile`.
std::string writtenJpeg(const TempFolder& folder, const std::string& name, int components,
                        const std::vector<std::uint8_t>& colour, const std::vector<std::uint8_t>& profile)
{
    const std::string path = folder.file(name);
    FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    jpeg_stdio_dest(&compress, file);
    compress.image_width = 8;
    compress.image_height = 8;
    compress.input_components = components;
    compress.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 100, TRUE);
    jpeg_start_compress(&compress, TRUE);
    jpeg_write_icc_profile(&compress, profile.data(), static_cast<unsigned>(profile.size()));
    std::vector<std::uint8_t> row;
    for (int x = 0; x < 8; ++x) {
        row.insert(row.end(), colour.begin(), colour.end());
    }
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&compress, rows, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    std::fclose(file);
    return path;
}

// An 8-bit grey or CMYK (255 is full ink) TIFF of one flat colour, 5 x 3,
// carrying `profile` when it is not empty.
std::string writtenFlatTiff(const TempFolder& folder, const std::string& name, const std::vector<std::uint8_t>& colour,
                            const std::vector<std::uint8_t>& profile)
{
    const std::string path = folder.file(name);
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 5);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<int>(colour.size()));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, colour.size() == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_SEPARATED);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (!profile.empty()) {
        TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(profile.size()), profile.data());
    }
    std::vector<std::uint8_t> row;
    for (int x = 0; x < 5; ++x) {
        row.insert(row.end(), colour.begin(), colour.end());
    }
    for (std::uint32_t y = 0; y < 3; ++y) {
        TIFFWriteScanline(tiff, row.data(), y, 0);
    }
    TIFFClose(tiff);
    return path;
}

// An EXIF block naming the camera, as phones put into HEIF files.
std::vector<std::uint8_t> exifNaming(const std::string& make, const std::string& model)
{
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = make;
    exif["Exif.Image.Model"] = model;
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    return {blob.begin(), blob.end()};
}

// A HEIF or AVIF file made by libheif's own encoder, with an EXIF block and,
// given `primaries`, a colour description instead of a profile.
std::string writtenHeif(const TempFolder& folder, const std::string& name, heif_compression_format codec,
                        std::optional<heif_color_primaries> primaries)
{
    const std::string path = folder.file(name);
    EXPECT_TRUE(heif_have_encoder_for_format(codec)) << name;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, codec, &encoder);
    heif_image* image = nullptr;
    heif_image_create(16, 16, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, 16, 16, 8);
    int stride = 0;
    std::uint8_t* pixels = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 48; ++x) {
            pixels[y * stride + x] = static_cast<std::uint8_t>(x * 5 + y);
        }
    }
    if (primaries) {
        heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
        heif_nclx_color_profile_set_color_primaries(nclx, static_cast<std::uint16_t>(*primaries));
        heif_nclx_color_profile_set_transfer_characteristics(nclx, heif_transfer_characteristic_IEC_61966_2_1);
        heif_image_set_nclx_color_profile(image, nclx);
        heif_nclx_color_profile_free(nclx);
    }
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(context, image, encoder, nullptr, &handle);
    const std::vector<std::uint8_t> exif = exifNaming("Phonemaker", "Pocket 7");
    heif_context_add_exif_metadata(context, handle, exif.data(), static_cast<int>(exif.size()));
    heif_context_write_to_file(context, path.c_str());
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return path;
}

// A HEIF whose picture is compressed with VVC, which libheif does not
// decode: libheif's HEVC file with the brand and the item type renamed.
std::string vvcHeif(const TempFolder& folder)
{
    std::vector<std::uint8_t> bytes =
        imagetest::readBytes(writtenHeif(folder, "hevc.heic", heif_compression_HEVC, std::nullopt));
    const auto rename = [&bytes](std::string_view from, std::string_view to) {
        for (auto at = std::ranges::search(bytes, from).begin(); at != bytes.end();
             at = std::ranges::search(at, bytes.end(), from.begin(), from.end()).begin()) {
            std::ranges::copy(to, at);
        }
    };
    std::ranges::copy(std::string_view("mif1"), bytes.begin() + 8); // the major brand
    rename("heic", "vvic");
    rename("hvc1", "vvc1");
    return writtenBytes(folder, "vvc.heic", bytes);
}

struct PhotoCase {
    const char* name;
    std::function<std::string(const TempFolder&)> make; // returns the path to open
    bool opens;
    // Opened: the notes the user is told, one per line. Refused: the reason.
    std::string message;
    // Opened: the colour of the top-left pixel, where the load converts it.
    std::optional<Bgr> topLeft = std::nullopt;
    // Opened: the camera its metadata names.
    std::string camera = {};
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
        {"too large", [](const TempFolder& f) { return pngClaiming(f, 100000); },
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
        // Too short for its size: 16000 x 16000 needs at least 1.5 MB of
        // scan data (2 bits a block), and is refused before any allocation.
        {"JPEG claiming 16000 x 16000", [](const TempFolder& f) { return jpegClaiming(f, 16000); }, false,
         "ファイルが壊れているか、途中で切れています。"},
        {"PNG claiming 16000 x 16000", [](const TempFolder& f) { return pngClaiming(f, 16000); }, false,
         "ファイルが壊れているか、途中で切れています。"},
        {"JPEG whose scan is cut but which ends with its end marker", jpegWithCutScan, true,
         "JPEG ファイルのデータが壊れています。写真の一部が正しくないかもしれません。\n"},
        {"CMYK JPEG", cmykJpeg, true, ""},
        // 100 KB of pixel data: 16000 x 16000 needs 768 MB uncompressed and
        // at least 168 KB in LZW, 1/4551 of that; refused before allocating.
        {"uncompressed TIFF claiming 16000 x 16000",
         [](const TempFolder& f) { return tiffClaiming(f, "claiming.tif", 16000, COMPRESSION_NONE, 1); }, false,
         "ファイルが壊れているか、途中で切れています。"},
        {"LZW TIFF in strips claiming 16000 x 16000",
         [](const TempFolder& f) { return tiffClaiming(f, "claiming.tif", 16000, COMPRESSION_LZW, 4); }, false,
         "ファイルが壊れているか、途中で切れています。"},
        // Flat pictures pack closest to each compression's bound and open.
        {"flat LZW TIFF", [](const TempFolder& f) { return flatTiff(f, "flat.tif", COMPRESSION_LZW); }, true, ""},
        {"flat deflate TIFF", [](const TempFolder& f) { return flatTiff(f, "flat.tif", COMPRESSION_ADOBE_DEFLATE); },
         true, ""},
        // 1000 x 1000 macroblocks need at least 200 KB.
        {"lossy WebP claiming 16000 x 16000", [](const TempFolder& f) { return webpClaiming(f, 16000); }, false,
         "ファイルが壊れているか、途中で切れています。"},
        {"grey JPEG with a grey profile",
         [](const TempFolder& f) { return writtenJpeg(f, "grey.jpg", 1, {100}, greyProfile()); }, true, "",
         srgbOf(greyProfile(), TYPE_GRAY_8, std::array<std::uint8_t, 1>{100}.data())},
        {"grey TIFF with a grey profile",
         [](const TempFolder& f) { return writtenFlatTiff(f, "grey.tif", {60}, greyProfile()); }, true, "",
         srgbOf(greyProfile(), TYPE_GRAY_8, std::array<std::uint8_t, 1>{60}.data())},
        // Adobe's CMYK JPEGs store their inks inverted, as readers take them.
        {"CMYK JPEG with its profile",
         [](const TempFolder& f) { return writtenJpeg(f, "cmyk.jpg", 4, {255, 102, 77, 153}, cmykProfile()); }, true,
         "", srgbOf(cmykProfile(), TYPE_CMYK_8_REV, std::array<std::uint8_t, 4>{255, 102, 77, 153}.data())},
        {"CMYK TIFF with its profile",
         [](const TempFolder& f) { return writtenFlatTiff(f, "cmyk.tif", {0, 153, 178, 102}, cmykProfile()); }, true,
         "", srgbOf(cmykProfile(), TYPE_CMYK_8, std::array<std::uint8_t, 4>{0, 153, 178, 102}.data())},
        // Without a profile, each colour is what its ink and the black leave of white, rounded.
        {"CMYK TIFF without a profile",
         [](const TempFolder& f) { return writtenFlatTiff(f, "cmyk.tif", {0, 100, 200, 50}, {}); }, true, "",
         Bgr{44, 125, 205}},
        {"CMYK JPEG with a profile Little CMS cannot use",
         [](const TempFolder& f) { return writtenJpeg(f, "cmyk.jpg", 4, {255, 102, 77, 153}, handMadeCmykProfile()); },
         true, "ファイルのカラープロファイルが使えないため、標準の色（sRGB）として開きました。\n"},
        {"RGB JPEG with a profile that is no profile",
         [](const TempFolder& f) { return writtenJpeg(f, "rgb.jpg", 3, {200, 100, 50}, std::vector<std::uint8_t>(200, 0x55)); },
         true, "ファイルのカラープロファイルが使えないため、標準の色（sRGB）として開きました。\n"},
        {"HEIF", [](const TempFolder& f) { return writtenHeif(f, "photo.heic", heif_compression_HEVC, std::nullopt); },
         true, "", std::nullopt, "Phonemaker Pocket 7"},
        {"AVIF in Display P3",
         [](const TempFolder& f) {
             return writtenHeif(f, "photo.avif", heif_compression_AV1, heif_color_primaries_SMPTE_EG_432_1);
         },
         true, "", std::nullopt, "Phonemaker Pocket 7"},
        {"HEIF compressed with a codec libheif does not decode", vvcHeif, false,
         "このファイルの圧縮方式（VVC）には対応していません。"},
    };
    return cases;
}

// The colour space of the ICC profile in an encoded file ("RGB ", "GRAY",
// "CMYK"); empty when it has none.
std::string savedProfileSpace(const std::vector<std::uint8_t>& encoded)
{
    const auto image = Exiv2::ImageFactory::open(encoded.data(), encoded.size());
    image->readMetadata();
    if (!image->iccProfileDefined()) {
        return {};
    }
#if EXIV2_TEST_VERSION(0, 28, 0)
    const Exiv2::DataBuf& profile = image->iccProfile();
    const auto* bytes = profile.c_data();
    const std::size_t size = profile.size();
#else
    const Exiv2::DataBuf* profile = image->iccProfile();
    const auto* bytes = profile->pData_;
    const auto size = static_cast<std::size_t>(profile->size_);
#endif
    return size >= 20 ? std::string(reinterpret_cast<const char*>(bytes) + 16, 4) : "?";
}

class PhotoFiles : public imagetest::WithImageLibrary {
protected:
    metadata::ExivMetadataIo metadataIo;
};

TEST_F(PhotoFiles, EachOpensWithItsNotesOrIsRefusedWithItsReason)
{
    for (const PhotoCase& photo : photoCases()) {
        SCOPED_TRACE(photo.name);
        const TempFolder folder;
        const std::string path = photo.make(folder);
        COvImage2 image;
        ASSERT_EQ(image.loadFromFile(path), photo.opens);
        if (!photo.opens) {
            EXPECT_EQ(fileProblemMessage(image.fileProblem), photo.message);
            continue;
        }
        EXPECT_EQ(joinedNotes(image.loadNotes), photo.message);
        if (photo.topLeft) {
            const std::uint8_t* pixel = image.current.data() + (image.height - 1) * image.stride();
            EXPECT_EQ((Bgr{pixel[0], pixel[1], pixel[2]}), *photo.topLeft);
        }
        const MetadataReadResult kept = metadataIo.read(path);
        EXPECT_EQ(metadata::summarize(kept.metadata.get()).camera, photo.camera);
        // Saved with its metadata, the photo carries no profile but one of RGB pixels.
        std::vector<std::uint8_t> saved;
        ASSERT_TRUE(image.encode(SaveFormatJpeg, saved));
        ASSERT_TRUE(metadataIo.embed(saved, kept.metadata.get(), image.width, image.height, image.colourProfile));
        EXPECT_TRUE(savedProfileSpace(saved) == "" || savedProfileSpace(saved) == "RGB ") << savedProfileSpace(saved);
    }
}

// A pixel of a Display P3 photo is shown as Little CMS converts it to sRGB;
// an sRGB photo needs no transform at all.
TEST(DisplayColour, APhotoProfileIsShownInTheDisplaysColours)
{
    ASSERT_EQ(display::transformFor({}), nullptr);
    const std::vector<std::uint8_t> p3 = testsupport::displayP3Profile();
    const auto transform = display::transformFor(p3);
    ASSERT_NE(transform, nullptr);
    for (const Bgr& colour : {Bgr{30, 200, 240}, Bgr{0, 0, 255}, Bgr{128, 128, 128}}) {
        std::array<std::uint8_t, 4> shown = {colour[0], colour[1], colour[2], 255};
        transform->convertBgrx(shown.data(), 1);
        EXPECT_EQ((Bgr{shown[0], shown[1], shown[2]}), srgbOf(p3, TYPE_BGR_8, colour.data()));
        EXPECT_EQ(shown[3], 255);
    }
}

// `jpeg` with an EXIF segment stating `orientation`, in Intel or Motorola
// byte order, put right after the start-of-image marker.
std::vector<std::uint8_t> withOrientation(std::vector<std::uint8_t> jpeg, int orientation, bool intel)
{
    const auto o = static_cast<std::uint8_t>(orientation);
    const std::vector<std::uint8_t> tiff =
        intel ? std::vector<std::uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, o, 0, 0, 0, 0, 0, 0, 0}
              : std::vector<std::uint8_t>{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, o, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> segment = {0xFF, 0xE1, 0, static_cast<std::uint8_t>(2 + 6 + tiff.size()), 'E', 'x', 'i', 'f', 0, 0};
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// `image` as the record's plane: rows bottom-up, blue, green, red.
std::vector<std::uint8_t> bottomUpBgr(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const std::size_t stride = rowStride(rgb.width());
    std::vector<std::uint8_t> plane(stride * static_cast<std::size_t>(rgb.height()), 0);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* source = rgb.constScanLine(rgb.height() - 1 - y);
        for (int x = 0; x < rgb.width(); ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                plane[y * stride + 3 * x + channel] = source[3 * x + 2 - channel];
            }
        }
    }
    return plane;
}

// Odd sizes leave partial 16 x 16 blocks at the right and bottom edges.
TEST_F(PhotoFiles, JpegsDecodeToTheBytesOfQtsReaderTurnedUpright)
{
    const struct {
        QImage::Format format;
        int orientation;
        bool progressive;
    } cases[] = {
        {QImage::Format_RGB888, 1, false}, {QImage::Format_RGB888, 2, false}, {QImage::Format_RGB888, 3, false},
        {QImage::Format_RGB888, 4, false}, {QImage::Format_RGB888, 5, false}, {QImage::Format_RGB888, 6, false},
        {QImage::Format_RGB888, 7, false}, {QImage::Format_RGB888, 8, false}, {QImage::Format_RGB888, 6, true},
        {QImage::Format_Grayscale8, 1, false}, {QImage::Format_Grayscale8, 8, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.format) + " orientation " + std::to_string(c.orientation)
                     + (c.progressive ? " progressive" : ""));
        const TempFolder folder;
        const std::string stored = folder.file("stored.jpg");
        QImageWriter writer(QString::fromStdString(stored));
        writer.setProgressiveScanWrite(c.progressive);
        ASSERT_TRUE(writer.write(noisy(37, 21).convertToFormat(c.format)));
        const std::string path =
            writtenBytes(folder, "photo.jpg", withOrientation(imagetest::readBytes(stored), c.orientation, c.orientation % 2 == 1));
        QImageReader reader(QString::fromStdString(path));
        reader.setAutoTransform(true);
        const QImage expected = reader.read();
        COvImage2 image;
        ASSERT_TRUE(image.loadFromFile(path));
        ASSERT_EQ(image.width, expected.width());
        ASSERT_EQ(image.height, expected.height());
        EXPECT_TRUE(image.current == bottomUpBgr(expected));
        EXPECT_EQ(image.loadNotes, 0u);
    }
}

TEST_F(PhotoFiles, JpegSavesAreTheBytesOfQtsWriterBeyondTheDensity)
{
    const QImage picture = noisy(37, 21);
    const TempFolder folder;
    const std::string path = writtenByQt(folder, "source.png", picture);
    COvImage2 image;
    ASSERT_TRUE(image.loadFromFile(path));
    for (const int quality : {90, 50}) {
        SCOPED_TRACE(quality);
        ASSERT_TRUE(image.saveToFile(folder.file("saved.jpg"), SaveFormatJpeg, quality));
        QByteArray written;
        QBuffer buffer(&written);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        ASSERT_TRUE(writer.write(picture));
        // The JFIF segment's density (bytes 13 to 17) is Qt's 100 dpi there,
        // unitless 1:1 here; everything after it is the same.
        constexpr qsizetype kAfterJfif = 20;
        const std::vector<std::uint8_t> saved = imagetest::readBytes(folder.file("saved.jpg"));
        ASSERT_EQ(saved.size(), static_cast<std::size_t>(written.size()));
        EXPECT_TRUE(std::equal(saved.begin() + kAfterJfif, saved.end(),
                               reinterpret_cast<const std::uint8_t*>(written.constData()) + kAfterJfif));
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
