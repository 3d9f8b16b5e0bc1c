// ICC profile description: the tag table after the 128-byte header names
// the 'desc' tag's offset and size; its element is either a version 2
// textDescriptionType (ASCII) or a version 4 multiLocalizedUnicodeType
// (UTF-16BE records). All arithmetic is done in 64 bits against the span's
// size before any byte is read.
#include "image/metadata/IccProfile.h"

#include <algorithm>

namespace metadata {
namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kTagEntryBytes = 12;
constexpr std::uint32_t kReplacement = 0xFFFD;

std::uint32_t big32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16)
           | (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

std::uint16_t big16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

bool hasSignature(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view signature)
{
    return at + 4 <= bytes.size() && std::equal(signature.begin(), signature.end(), bytes.begin() + at);
}

// The bytes [offset, offset + size) of `bytes`, or empty when they do not fit.
std::span<const std::uint8_t> slice(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t size)
{
    if (offset > bytes.size() || size > bytes.size() - offset) {
        return {};
    }
    return bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
}

void appendUtf8(std::string& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Version 2: 'desc', 4 reserved bytes, the ASCII count (with its NUL), the text.
std::string textDescription(std::span<const std::uint8_t> element)
{
    if (element.size() < 12) {
        return {};
    }
    const std::span<const std::uint8_t> text = slice(element, 12, big32(element, 8));
    std::string ascii(text.begin(), text.end());
    ascii.resize(std::min(ascii.find('\0'), ascii.size()));
    return ascii;
}

// Version 4: 'mluc', 4 reserved bytes, the record count and size, then the
// records (language, country, length and offset of UTF-16BE text in the
// element). The first English record wins, else the first record.
std::string localizedDescription(std::span<const std::uint8_t> element)
{
    if (element.size() < 16) {
        return {};
    }
    const std::uint64_t count = big32(element, 8);
    const std::uint64_t recordBytes = big32(element, 12);
    if (recordBytes < 12 || count == 0) {
        return {};
    }
    const std::uint64_t available = (element.size() - 16) / recordBytes;
    std::size_t chosen = 0;
    for (std::uint64_t i = 0; i < std::min(count, available); ++i) {
        const std::size_t record = static_cast<std::size_t>(16 + i * recordBytes);
        if (element[record] == 'e' && element[record + 1] == 'n') {
            chosen = record;
            break;
        }
        if (chosen == 0) {
            chosen = record;
        }
    }
    if (chosen == 0) {
        return {};
    }
    const std::span<const std::uint8_t> text = slice(element, big32(element, chosen + 8), big32(element, chosen + 4));
    std::string utf8;
    for (std::size_t at = 0; at + 1 < text.size() && utf8.size() < 4 * kMaxDescriptionBytes; at += 2) {
        std::uint32_t unit = big16(text, at);
        if (unit == 0) {
            break;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 3 < text.size()) {
            const std::uint32_t low = big16(text, at + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            }
        }
        appendUtf8(utf8, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    return utf8;
}

// Length of the valid UTF-8 character at the start of `text`, or 0.
std::size_t utf8CharacterLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool invalid = codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF);
    const bool c1Control = codePoint >= 0x80 && codePoint <= 0x9F;
    return overlong || invalid || c1Control ? 0 : length;
}

} // namespace

std::string printableText(std::string_view text, std::size_t maxBytes)
{
    std::string out;
    while (!text.empty()) {
        const std::size_t length = utf8CharacterLength(text);
        const bool control = length == 1 && (static_cast<unsigned char>(text[0]) < 0x20 || text[0] == 0x7F);
        const std::size_t taken = length == 0 ? 1 : length;
        const std::size_t written = length == 0 || control ? 1 : length;
        if (out.size() + written > maxBytes) {
            break;
        }
        out.append(length == 0 || control ? std::string_view("?") : text.substr(0, length));
        text.remove_prefix(taken);
    }
    return out;
}

bool iccDescribesRgb(std::span<const std::uint8_t> profile)
{
    constexpr std::size_t kColourSpaceAt = 16;
    return profile.size() >= kHeaderBytes && hasSignature(profile, kColourSpaceAt, "RGB ");
}

std::string iccProfileDescription(std::span<const std::uint8_t> profile)
{
    if (profile.size() < kHeaderBytes + 4 || !hasSignature(profile, 36, "acsp")) {
        return {};
    }
    const std::uint64_t tagCount = big32(profile, kHeaderBytes);
    const std::uint64_t fitting = (profile.size() - kHeaderBytes - 4) / kTagEntryBytes;
    for (std::uint64_t i = 0; i < std::min(tagCount, fitting); ++i) {
        const std::size_t entry = static_cast<std::size_t>(kHeaderBytes + 4 + i * kTagEntryBytes);
        if (!hasSignature(profile, entry, "desc")) {
            continue;
        }
        const std::span<const std::uint8_t> element = slice(profile, big32(profile, entry + 4), big32(profile, entry + 8));
        std::string description;
        if (hasSignature(element, 0, "desc")) {
            description = textDescription(element);
        } else if (hasSignature(element, 0, "mluc")) {
            description = localizedDescription(element);
        }
        return printableText(description);
    }
    return {};
}

} // namespace metadata
