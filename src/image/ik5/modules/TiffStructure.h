// Reads a TIFF file's structure from its bytes: byte order, directories and
// their entries. Every read is checked against the bytes at hand; a read
// past them gives 0.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ik5module {

// One entry of a directory: `count` values of `size` bytes from `at`.
struct TiffField {
    std::uint32_t count = 0;
    std::size_t at = 0;
    int size = 0;
};

class TiffReader {
public:
    explicit TiffReader(std::span<const std::uint8_t> file) : file_(file)
    {
        using namespace std::string_view_literals;
        little_ = startsWith("II*"sv);
        valid_ = (little_ && file.size() >= 8 && file[3] == 0) || startsWith("MM\0*"sv);
    }
    bool valid() const { return valid_; }

    std::uint32_t read(std::size_t at, int bytes) const
    {
        if (at + static_cast<std::size_t>(bytes) > file_.size()) {
            return 0;
        }
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const std::uint32_t byte = file_[at + static_cast<std::size_t>(little_ ? bytes - 1 - i : i)];
            value = (value << 8) | byte;
        }
        return value;
    }

    // The entry `tag` of the directory at `ifd`, or nothing.
    std::optional<TiffField> field(std::size_t ifd, std::uint16_t tag) const
    {
        const std::uint32_t entries = read(ifd, 2);
        for (std::uint32_t i = 0; i < entries && i < 4096; ++i) {
            const std::size_t at = ifd + 2 + 12 * std::size_t{i};
            if (read(at, 2) != tag) {
                continue;
            }
            const std::uint32_t type = read(at + 2, 2);
            const std::uint32_t count = read(at + 4, 4);
            const int size = type == 3 ? 2 : type == 1 || type == 2 || type == 7 ? 1 : 4;
            const bool inEntry = std::uint64_t{count} * static_cast<std::uint64_t>(size) <= 4;
            return TiffField{count, inEntry ? at + 8 : read(at + 8, 4), size};
        }
        return std::nullopt;
    }

    std::uint32_t value(const TiffField& field, std::uint32_t index) const
    {
        return read(field.at + std::size_t{index} * static_cast<std::size_t>(field.size), field.size);
    }

    // The first value of the entry `tag` (its count in `count`, its list's
    // offset in `listAt`), or nothing.
    std::optional<std::uint32_t> entry(std::size_t ifd, std::uint16_t tag, std::uint32_t* count = nullptr,
                                       std::size_t* listAt = nullptr) const
    {
        const std::optional<TiffField> found = field(ifd, tag);
        if (!found) {
            return std::nullopt;
        }
        if (count != nullptr) {
            *count = found->count;
        }
        if (listAt != nullptr) {
            *listAt = found->at;
        }
        return value(*found, 0);
    }

    std::uint64_t pixels(std::size_t ifd) const
    {
        return std::uint64_t{entry(ifd, kImageWidth).value_or(0)} * entry(ifd, kImageLength).value_or(0);
    }

    static constexpr std::uint16_t kNewSubfileType = 0xFE;
    static constexpr std::uint16_t kImageWidth = 0x100;
    static constexpr std::uint16_t kImageLength = 0x101;
    static constexpr std::uint16_t kBitsPerSample = 0x102;
    static constexpr std::uint16_t kCompression = 0x103;
    static constexpr std::uint16_t kPhotometric = 0x106;
    static constexpr std::uint16_t kStripOffsets = 0x111;
    static constexpr std::uint16_t kSamplesPerPixel = 0x115;
    static constexpr std::uint16_t kRowsPerStrip = 0x116;
    static constexpr std::uint16_t kStripByteCounts = 0x117;
    static constexpr std::uint16_t kTileWidth = 0x142;
    static constexpr std::uint16_t kTileLength = 0x143;
    static constexpr std::uint16_t kTileOffsets = 0x144;
    static constexpr std::uint16_t kTileByteCounts = 0x145;
    static constexpr std::uint16_t kSubIfds = 0x14A;
    static constexpr std::uint16_t kDngVersion = 0xC612;

private:
    bool startsWith(std::string_view text) const
    {
        return file_.size() >= text.size() && std::equal(text.begin(), text.end(), file_.begin(),
                                                [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
    }

    std::span<const std::uint8_t> file_;
    bool little_ = false;
    bool valid_ = false;
};

} // namespace ik5module
