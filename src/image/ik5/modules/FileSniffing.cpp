// Format and camera raw recognition from a file's bytes.
#include "FileSniffing.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <vector>

#include "TiffStructure.h"

namespace ik5module {
namespace {

bool startsWith(std::span<const std::uint8_t> file, std::size_t at, std::string_view text)
{
    return file.size() >= at + text.size()
           && std::equal(text.begin(), text.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                         [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// The ISO base media brand of a HEIF, AVIF or CR3 file ("heic", "avif", ...).
std::string_view majorBrand(std::span<const std::uint8_t> file)
{
    if (!startsWith(file, 4, "ftyp") || file.size() < 12) {
        return {};
    }
    return {reinterpret_cast<const char*>(file.data() + 8), 4};
}

// The extension of `path`, in upper case.
std::string upperExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension;
}

bool isRawExtension(const std::string& extension)
{
    static constexpr std::array<std::string_view, 24> kRaw = {
        "3FR", "ARI", "ARW", "CR2", "CR3", "CRW", "DCR", "DNG", "ERF", "IIQ", "K25", "KDC",
        "MEF", "MOS", "MRW", "NEF", "NRW", "ORF", "PEF", "RAF", "RW2", "RWL", "SR2", "SRW"};
    return std::find(kRaw.begin(), kRaw.end(), extension) != kRaw.end();
}

// True for a TIFF whose main picture is a reduced preview of one in a
// sub-directory, the way cameras store raw data.
bool mainPictureIsPreview(const TiffReader& tiff, std::size_t ifd0)
{
    std::uint32_t count = 0;
    std::size_t listAt = 0;
    if (!tiff.entry(ifd0, TiffReader::kSubIfds, &count, &listAt)) {
        return false;
    }
    if (tiff.entry(ifd0, TiffReader::kNewSubfileType).value_or(0) & 1) {
        return true;
    }
    const std::uint64_t mainPixels = tiff.pixels(ifd0);
    for (std::uint32_t i = 0; i < count && i < 16; ++i) {
        if (tiff.pixels(tiff.read(listAt + 4 * std::size_t{i}, 4)) > mainPixels) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string formatName(std::span<const std::uint8_t> file)
{
    if (startsWith(file, 0, "GIF8")) {
        return "GIF";
    }
    if (startsWith(file, 0, "RIFF") && startsWith(file, 8, "WEBP")) {
        return "WebP";
    }
    const std::string_view brand = majorBrand(file);
    if (brand == "avif" || brand == "avis") {
        return "AVIF";
    }
    if (brand == "heic" || brand == "heix" || brand == "mif1" || brand == "msf1" || brand == "heim"
        || brand == "heis" || brand == "hevc") {
        return "HEIF";
    }
    if (startsWith(file, 0, "8BPS")) {
        return "Photoshop";
    }
    if (startsWith(file, 0, std::string_view("\0\0\0\x0cjP  ", 8)) || startsWith(file, 0, "\xff\x4f\xff\x51")) {
        return "JPEG 2000";
    }
    if (startsWith(file, 0, "\xff\x0a") || startsWith(file, 0, std::string_view("\0\0\0\x0cJXL ", 8))) {
        return "JPEG XL";
    }
    if (startsWith(file, 0, "%PDF")) {
        return "PDF";
    }
    if (startsWith(file, 0, std::string_view("\0\0\1\0", 4))) {
        return "ICO";
    }
    return {};
}

int tiffPageCount(std::span<const std::uint8_t> file)
{
    const TiffReader tiff(file);
    if (!tiff.valid()) {
        return 0;
    }
    // Each directory ends with the offset of the next; a loop or a count
    // beyond reason ends the walk.
    constexpr int kMostPages = 10000;
    int pages = 0;
    std::size_t ifd = tiff.read(4, 4);
    while (ifd != 0 && ifd < file.size() && pages < kMostPages) {
        ++pages;
        const std::size_t next = tiff.read(ifd + 2 + 12 * std::size_t{tiff.read(ifd, 2)}, 4);
        if (next <= ifd) {
            break;
        }
        ifd = next;
    }
    return pages;
}

bool startsLikeReadFormat(std::span<const std::uint8_t> file)
{
    return startsWith(file, 0, "\xff\xd8") || startsWith(file, 0, "\x89PNG") || startsWith(file, 0, "BM")
           || TiffReader(file).valid();
}

std::optional<std::string> cameraRawKind(std::span<const std::uint8_t> file, const std::string& path)
{
    const std::string extension = upperExtension(path);
    const std::string named = isRawExtension(extension) ? extension : std::string();
    // Raw formats with their own signatures.
    if (startsWith(file, 0, "FUJIFILMCCD-RAW")) {
        return "RAF";
    }
    if (startsWith(file, 6, "HEAPCCDR")) {
        return "CRW";
    }
    if (majorBrand(file) == "crx ") {
        return "CR3";
    }
    if (startsWith(file, 0, "IIRO") || startsWith(file, 0, "IIRS") || startsWith(file, 0, "MMOR")) {
        return "ORF";
    }
    if (startsWith(file, 0, std::string_view("IIU\0", 4))) {
        return "RW2";
    }
    const TiffReader tiff(file);
    if (!tiff.valid()) {
        return std::nullopt;
    }
    if (startsWith(file, 8, "CR")) {
        return "CR2";
    }
    const std::size_t ifd0 = tiff.read(4, 4);
    if (tiff.entry(ifd0, TiffReader::kDngVersion)) {
        return "DNG";
    }
    if (mainPictureIsPreview(tiff, ifd0) || !named.empty()) {
        return named;
    }
    return std::nullopt;
}

} // namespace ik5module
