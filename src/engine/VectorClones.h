// Marks a loop kernel to be compiled twice, for AVX2 and for the baseline
// processor, with the choice made once at start-up. Both versions perform
// the same integer and IEEE double operations in the same order (no fused
// multiply-add is enabled), so they give the same bytes.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define FOTRA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define FOTRA_VECTOR_CLONES
#endif
