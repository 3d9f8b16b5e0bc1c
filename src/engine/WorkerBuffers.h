// Scratch memory for the workers of one parallel loop: one buffer of the
// same size per worker, allocated before the loop starts, so that no pixel
// loop allocates. A worker reaches its own buffer by its thread number.
#pragma once

#include <cstddef>
#include <vector>

#include <omp.h>

namespace engine {

template <typename T>
class WorkerBuffers {
public:
    explicit WorkerBuffers(std::size_t size)
        : size_(size), storage_(size * static_cast<std::size_t>(omp_get_max_threads()))
    {
    }

    // The calling worker's buffer; call it inside the loop.
    T* mine() { return storage_.data() + size_ * static_cast<std::size_t>(omp_get_thread_num()); }

private:
    std::size_t size_;
    std::vector<T> storage_;
};

} // namespace engine
