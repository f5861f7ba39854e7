#pragma once

// The meters' inner loops are built twice on x86-64 with GCC: for the
// processors of the last decade (AVX2 and fused multiply-add, which halve
// their time) and for any other; the loader picks one once. Elsewhere they
// are built once, for the target.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define ORVELLE_SIMD_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define ORVELLE_SIMD_CLONES
#endif
