// Whole-plane copy and fill (height x stride bytes, row padding included)
// split into one contiguous block per OpenMP worker. The bytes are those of
// copyPlane and fillPlane. Only the pieces that differ are written: a preview
// changes a small rectangle and leaves the rest of each plane as the last
// move left it, and reading a piece costs less than rewriting it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <omp.h>

namespace engine {

namespace detail {

// Runs block(first, count) over one share of `bytes` per worker.
template <typename Block>
void shareBytes(std::size_t bytes, Block&& block)
{
#pragma omp parallel
    {
        const std::size_t workers = static_cast<std::size_t>(omp_get_num_threads());
        const std::size_t worker = static_cast<std::size_t>(omp_get_thread_num());
        const std::size_t first = bytes * worker / workers;
        const std::size_t last = bytes * (worker + 1) / workers;
        if (last > first) {
            block(first, last - first);
        }
    }
}

// Pieces compared, and rewritten where they differ.
constexpr std::size_t kPieceBytes = 4096;

// Looks at one cache line at a time, so that a piece that differs (as after
// a whole-image pass) costs little more than its first line.
inline bool allBytesAre(const std::uint8_t* bytes, std::size_t count, std::uint8_t value)
{
    constexpr std::size_t kLine = 64;
    for (std::size_t start = 0; start < count; start += kLine) {
        const std::size_t end = std::min(count, start + kLine);
        std::uint8_t differences = 0;
        for (std::size_t i = start; i < end; ++i) {
            differences |= static_cast<std::uint8_t>(bytes[i] ^ value);
        }
        if (differences != 0) {
            return false;
        }
    }
    return true;
}

} // namespace detail

inline void copyPlaneShared(std::vector<std::uint8_t>& destination, const std::vector<std::uint8_t>& source)
{
    std::uint8_t* target = destination.data();
    const std::uint8_t* from = source.data();
    detail::shareBytes(source.size(), [=](std::size_t first, std::size_t count) {
        for (std::size_t piece = first; piece < first + count; piece += detail::kPieceBytes) {
            const std::size_t bytes = std::min(detail::kPieceBytes, first + count - piece);
            if (std::memcmp(target + piece, from + piece, bytes) != 0) {
                std::memcpy(target + piece, from + piece, bytes);
            }
        }
    });
}

inline void fillPlaneShared(std::vector<std::uint8_t>& plane, std::uint8_t value)
{
    std::uint8_t* target = plane.data();
    detail::shareBytes(plane.size(), [=](std::size_t first, std::size_t count) {
        for (std::size_t piece = first; piece < first + count; piece += detail::kPieceBytes) {
            const std::size_t bytes = std::min(detail::kPieceBytes, first + count - piece);
            if (!detail::allBytesAre(target + piece, bytes, value)) {
                std::memset(target + piece, value, bytes);
            }
        }
    });
}

} // namespace engine
