// luminance() of eight pixels at once, one double lane each, for the
// AVX-512 kernels: the same products and sums in the same order, so every
// lane holds exactly the value luminance() gives.
#pragma once

#include "engine/Avx512Lanes.h"

#if FOTRA_AVX512_KERNELS

namespace effects {

FOTRA_AVX512 inline __m512d luminanceLanes(__m512d red, __m512d green, __m512d blue)
{
    const __m512d redGreen =
        _mm512_add_pd(_mm512_mul_pd(_mm512_set1_pd(0.3), red), _mm512_mul_pd(_mm512_set1_pd(0.59), green));
    return _mm512_add_pd(redGreen, _mm512_mul_pd(_mm512_set1_pd(0.11), blue));
}

} // namespace effects

#endif
