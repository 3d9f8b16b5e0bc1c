// Truncated division of a blur's weighted byte sum by its weight total as a
// multiply and a shift, exact for every total up to a largest one.
//
// With multiplier = ceil(2^shift / total) and excess = multiplier x total -
// 2^shift (0 <= excess < total):
//   sum x multiplier / 2^shift = sum / total + sum x excess / (total x 2^shift).
// A sum of bytes under weights adding to total is at most 255 x total, and
// 2^shift > 255 x largestTotal^2 > sum x excess, so the added term stays
// below 1 / total; the fraction of sum / total is at most (total - 1) /
// total, so the floor does not change.
//
// The product sum x multiplier is below 255 x 2^shift + sum: within 64 bits
// for every total whose sums fit 31 bits (largestTotal < 2^23), and within
// 32 bits up to kNarrowTotal, where the shift is at most 24.
#pragma once

#include <bit>
#include <cstdint>

namespace engine {

// The largest total whose weighted byte sums fit a 16-bit lane (255 x 256)
// and whose divisions fit 32-bit products.
constexpr std::int64_t kNarrowTotal = 256;

class ExactDivisions {
public:
    explicit ExactDivisions(std::int64_t largestTotal)
        : shift_(std::bit_width(static_cast<std::uint64_t>(255 * largestTotal * largestTotal)))
    {
    }

    std::uint64_t multiplier(std::int64_t total) const
    {
        const std::uint64_t divisor = static_cast<std::uint64_t>(total);
        return ((std::uint64_t{1} << shift_) + divisor - 1) / divisor;
    }

    int shift() const { return shift_; }

    std::uint8_t divide(std::uint32_t sum, std::uint64_t multiplier) const
    {
        return static_cast<std::uint8_t>((sum * multiplier) >> shift_);
    }

private:
    int shift_;
};

} // namespace engine
