#pragma once

// Some libraries in the process (FFmpeg's helpers among them) return with the
// upper halves of the AVX registers still in use. LAME and libvorbis are built
// for plain SSE, and on many x86 processors every SSE instruction then pays a
// transition penalty: their encoders ran at two thirds of their own speed.
// Clearing that state before handing them a block costs one instruction.
inline void clearUpperSimdState() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        __asm__ volatile("vzeroupper" ::: "memory");
#endif
}
