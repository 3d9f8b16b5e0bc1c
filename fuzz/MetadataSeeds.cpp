// Writes the metadata fuzzer's seeds into the folder named on the command
// line: small JPEG, PNG and TIFF photos carrying camera EXIF, IPTC, XMP and
// an ICC profile (version 2 and version 4 descriptions), a JPEG whose EXIF
// block is cut (Exiv2 gives up on it and the segment walk takes over), and
// the bare profiles, so that the fuzzer starts inside each parser.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <exiv2/exiv2.hpp>

namespace {

using Bytes = std::vector<std::uint8_t>;

void appendBig32(Bytes& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void appendText(Bytes& bytes, const std::string& text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// A 128-byte header with the 'acsp' signature and a tag table of one 'desc'
// tag holding `element`.
Bytes profileWithDescription(std::uint32_t version, Bytes element)
{
    Bytes profile;
    appendBig32(profile, 0);
    appendText(profile, "none");
    appendBig32(profile, version);
    appendText(profile, "mntrRGB XYZ ");
    profile.resize(36, 0);
    appendText(profile, "acsp");
    profile.resize(128, 0);
    appendBig32(profile, 1);
    appendText(profile, "desc");
    appendBig32(profile, 144);
    appendBig32(profile, static_cast<std::uint32_t>(element.size()));
    profile.insert(profile.end(), element.begin(), element.end());
    while (profile.size() % 4 != 0) {
        profile.push_back(0);
    }
    const auto size = static_cast<std::uint32_t>(profile.size());
    for (int i = 0; i < 4; ++i) {
        profile[i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
    }
    return profile;
}

Bytes profileV2(const std::string& description)
{
    Bytes element;
    appendText(element, "desc");
    appendBig32(element, 0);
    appendBig32(element, static_cast<std::uint32_t>(description.size() + 1));
    appendText(element, description);
    element.push_back(0);
    element.resize(element.size() + 4 + 4 + 2 + 1 + 67, 0); // empty Unicode and ScriptCode parts
    return profileWithDescription(0x02100000, element);
}

// Two records, German and English: the English one is preferred.
Bytes profileV4()
{
    const std::u16string german = u"Kamera RGB";
    const std::u16string english = u"Camera RGB ✓";
    Bytes element;
    appendText(element, "mluc");
    appendBig32(element, 0);
    appendBig32(element, 2);
    appendBig32(element, 12);
    appendText(element, "deDE");
    appendBig32(element, static_cast<std::uint32_t>(2 * german.size()));
    appendBig32(element, 40);
    appendText(element, "enUS");
    appendBig32(element, static_cast<std::uint32_t>(2 * english.size()));
    appendBig32(element, static_cast<std::uint32_t>(40 + 2 * german.size()));
    for (const std::u16string* text : {&german, &english}) {
        for (const char16_t unit : *text) {
            element.push_back(static_cast<std::uint8_t>(unit >> 8));
            element.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        }
    }
    return profileWithDescription(0x04300000, element);
}

Bytes encoded(const char* format)
{
    QImage picture(4, 3, QImage::Format_RGB888);
    picture.fill(qRgb(30, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return {bytes.begin(), bytes.end()};
}

// `photo` with camera metadata and `profile` put in by Exiv2.
Bytes withMetadata(const Bytes& photo, const Bytes& profile)
{
    const std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(photo.data(), photo.size()).release());
    image->readMetadata();
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Canon";
    exif["Exif.Image.Model"] = "Canon EOS 5D";
    exif["Exif.Image.Orientation"] = std::uint16_t{6};
    exif["Exif.Photo.DateTimeOriginal"] = "2024:05:01 10:11:12";
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    exif["Exif.Photo.PixelXDimension"] = std::uint32_t{4};
    exif["Exif.GPSInfo.GPSLatitude"] = "35/1 40/1 0/1";
    Exiv2::IptcData iptc;
    iptc["Iptc.Application2.Caption"] = "Harbour";
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.creator"] = "A. Photographer";
    xmp["Xmp.tiff.Orientation"] = "6";
    xmp["Xmp.xmp.CreateDate"] = "2024-05-01T10:11:12";
    image->setExifData(exif);
    image->setIptcData(iptc);
    image->setXmpData(xmp);
#if EXIV2_TEST_VERSION(0, 28, 0)
    image->setIccProfile(Exiv2::DataBuf(profile.data(), profile.size()));
#else
    Exiv2::DataBuf buffer(profile.data(), static_cast<long>(profile.size()));
    image->setIccProfile(buffer);
#endif
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.open();
    Bytes bytes(io.size());
    io.read(bytes.data(), bytes.size());
    io.close();
    return bytes;
}

// The JPEG `jpeg` with its EXIF segment's TIFF header spoiled after the
// byte-order mark, so that Exiv2 cannot parse the block.
Bytes withBrokenExif(Bytes jpeg)
{
    for (std::size_t at = 2; at + 12 < jpeg.size(); ++at) {
        if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xE1 && std::string(jpeg.begin() + at + 4, jpeg.begin() + at + 8) == "Exif") {
            jpeg[at + 12] = 0x7F;
            jpeg[at + 13] = 0x7F;
            break;
        }
    }
    return jpeg;
}

bool write(const QDir& folder, const char* name, const Bytes& bytes)
{
    QFile file(folder.filePath(QString::fromLatin1(name)));
    const bool written = file.open(QIODevice::WriteOnly)
                         && file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()))
                                == static_cast<qint64>(bytes.size());
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", name);
    }
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_metadata_seeds FOLDER\n");
        return 2;
    }
    const QDir folder(QFile::decodeName(argv[1]));
    if (!folder.mkpath(".")) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    try {
        const Bytes v2 = profileV2("Test Wide Gamut RGB");
        const Bytes v4 = profileV4();
        const Bytes jpeg = withMetadata(encoded("jpeg"), v2);
        bool ok = write(folder, "profile-v2.icc", v2) && write(folder, "profile-v4.icc", v4);
        ok &= write(folder, "camera.jpg", jpeg);
        ok &= write(folder, "broken-exif.jpg", withBrokenExif(jpeg));
        ok &= write(folder, "camera.png", withMetadata(encoded("png"), v4));
        ok &= write(folder, "camera.tif", withMetadata(encoded("tiff"), v2));
        return ok ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot make the seeds: %s\n", error.what());
        return 1;
    }
}
