// PNG chunk walk: 8-byte signature, then chunks of a 4-byte big-endian
// length, a 4-byte type, the data and a CRC-32 over type and data. The walk
// checks every length against the bytes left before it edits anything.
#include "image/metadata/PngColourProfile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace metadata {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t big32(const std::uint8_t* bytes)
{
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8)
           | std::uint32_t{bytes[3]};
}

void putBig32(std::uint8_t* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

// The CRC-32 of PNG (polynomial 0xEDB88320, reflected).
std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) {
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

} // namespace

void nameUnnamedPngProfile(std::vector<std::uint8_t>& png)
{
    if (png.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), png.begin())) {
        return;
    }
    // First pass: only a complete chain of chunks is edited.
    std::vector<std::size_t> unnamed;
    std::size_t at = kSignature.size();
    while (at < png.size()) {
        if (png.size() - at < 12) {
            return;
        }
        const std::uint32_t length = big32(&png[at]);
        if (length > png.size() - at - 12) {
            return;
        }
        if (std::memcmp(&png[at + 4], "iCCP", 4) == 0 && length > 0 && png[at + 8] == 0) {
            unnamed.push_back(at);
        }
        at += 12 + std::size_t{length};
    }

    const std::string_view name(kPngProfileName);
    for (auto chunk = unnamed.rbegin(); chunk != unnamed.rend(); ++chunk) {
        const std::size_t start = *chunk;
        const std::uint32_t length = big32(&png[start]) + static_cast<std::uint32_t>(name.size());
        png.insert(png.begin() + static_cast<std::ptrdiff_t>(start + 8), name.begin(), name.end());
        putBig32(&png[start], length);
        putBig32(&png[start + 8 + length], crc32(&png[start + 4], 4 + std::size_t{length}));
    }
}

} // namespace metadata
