// Large buffers backed by huge pages where the kernel allows: a buffer of
// tens of megabytes then costs a few dozen page faults instead of
// thousands, which on a 20-megapixel photo weigh more than copying it.
// Shared by the record and the image-file modules.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hugepages {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Asks for huge pages over the whole huge pages inside `bytes` bytes at
// `data`, memory that has not been touched yet (the advice does not move
// pages already there). Only advice: without it the memory is the same.
inline void advise(void* data, std::size_t bytes)
{
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHugePageBytes - 1) & ~std::uintptr_t{kHugePageBytes - 1};
    const std::uintptr_t end = (start + bytes) & ~std::uintptr_t{kHugePageBytes - 1};
    if (end > first) {
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
}

// A copy of `size` bytes at `bytes` whose memory is advised before the copy
// writes it, so that the copy is its first touch.
inline std::vector<std::uint8_t> copyOnHugePages(const std::uint8_t* bytes, std::size_t size)
{
    std::vector<std::uint8_t> copy;
    copy.reserve(size);
    advise(copy.data(), size);
    copy.assign(bytes, bytes + size);
    return copy;
}

} // namespace hugepages
