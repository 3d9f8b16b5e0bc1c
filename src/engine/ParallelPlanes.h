// Whole-plane copy and fill (height x stride bytes, row padding included)
// split into one contiguous block per OpenMP worker. The bytes are those of
// copyPlane and fillPlane; only the work is shared.
#pragma once

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

} // namespace detail

inline void copyPlaneShared(std::vector<std::uint8_t>& destination, const std::vector<std::uint8_t>& source)
{
    std::uint8_t* target = destination.data();
    const std::uint8_t* from = source.data();
    detail::shareBytes(source.size(),
                       [=](std::size_t first, std::size_t count) { std::memcpy(target + first, from + first, count); });
}

inline void fillPlaneShared(std::vector<std::uint8_t>& plane, std::uint8_t value)
{
    std::uint8_t* target = plane.data();
    detail::shareBytes(plane.size(),
                       [=](std::size_t first, std::size_t count) { std::memset(target + first, value, count); });
}

} // namespace engine
