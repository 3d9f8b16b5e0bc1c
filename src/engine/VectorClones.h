// Marks a loop kernel to be compiled for several processors, with the choice
// made once at start-up: FOTRA_VECTOR_CLONES for AVX2 and the baseline,
// FOTRA_WIDE_VECTOR_CLONES also for AVX-512 (x86-64-v4), which pays for the
// kernels that work in doubles. Every version performs the same integer and
// IEEE double operations in the same order (no fused multiply-add is
// enabled), so they give the same bytes.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define FOTRA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define FOTRA_VECTOR_CLONES
#endif

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define FOTRA_WIDE_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define FOTRA_WIDE_VECTOR_CLONES FOTRA_VECTOR_CLONES
#endif
