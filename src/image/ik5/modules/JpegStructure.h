// What a JPEG file states before its first scan, read from the bytes alone:
// the frame (size, coding process, components and their sampling), the EXIF
// orientation and the ICC colour profile; and the fewest bytes of coded data
// a whole picture of that frame can take, so that a header claiming far more
// than the file holds is refused before anything is allocated for it. Every
// read is checked against the bytes at hand.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ik5module {

inline constexpr std::uint8_t kJpegStartOfImage = 0xD8;
inline constexpr std::uint8_t kJpegEndOfImage = 0xD9;
inline constexpr std::uint8_t kJpegStartOfScan = 0xDA;

// One marker of a JPEG file: its code and, unless it stands alone, the
// segment's payload (the bytes after its length).
struct JpegSegment {
    std::uint8_t code = 0;
    std::span<const std::uint8_t> payload;
};

// The markers of a file that starts with the start-of-image marker, one
// after the other from there. Like the decoder it passes over stray bytes
// and fill bytes before a marker. The entropy-coded data after a scan header
// is not walked: the caller moves `position` past it.
class JpegSegments {
public:
    explicit JpegSegments(std::span<const std::uint8_t> file) : file_(file) {}
    // True when the bytes start with the start-of-image marker.
    bool startsRight() const;
    // The next marker; nothing at the end of the bytes or for a segment
    // that runs past them.
    std::optional<JpegSegment> next();
    // The byte after the last marker or segment read.
    std::size_t position = 2;

private:
    std::span<const std::uint8_t> file_;
};

struct JpegFrame {
    std::uint8_t marker = 0; // the start-of-frame code, 0xC0 .. 0xCF
    int width = 0;
    int height = 0;
    // Horizontal and vertical sampling factor of each component, 1..4.
    struct Sampling {
        int horizontal;
        int vertical;
    };
    std::vector<Sampling> components;
};

struct JpegLayout {
    JpegFrame frame;
    std::size_t scanDataOffset = 0; // the first byte after the first scan's header
    int orientation = 1;            // EXIF orientation 1..8 of the first APP1 segment; 1 when none
    std::vector<std::uint8_t> iccProfile; // the APP2 chunks joined; empty when none or inconsistent
    bool adobe = false; // an Adobe APP14 segment: CMYK values are stored inverted
};

// The segments from the start-of-image marker to the first scan header;
// nothing when they are not all there or the frame header is malformed.
std::optional<JpegLayout> readJpegLayout(std::span<const std::uint8_t> file);

// The fewest bytes of entropy-coded data that code every block of a whole
// picture of `frame`; 0 where no such bound exists (arithmetic coding, and
// processes without 8 x 8 blocks).
std::uint64_t leastCodedBytes(const JpegFrame& frame);

// The most bytes of entropy-coded data, with stuffing and restart markers,
// that a whole picture of `frame` can take in a valid file; 0 where no such
// bound exists (arithmetic coding, and processes without 8 x 8 blocks).
std::uint64_t mostCodedBytes(const JpegFrame& frame);

} // namespace ik5module
