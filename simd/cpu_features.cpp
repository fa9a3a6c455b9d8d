// SPDX-License-Identifier: Apache-2.0
#include "simd/cpu_features.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace vekdi::simd {

namespace {

#if defined(__x86_64__) || defined(__i386__)
// XCR0: which register states the operating system saves on a context switch.
uint64_t readXcr0() {
    uint32_t eax = 0, edx = 0;
    __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
    return (uint64_t(edx) << 32) | eax;
}

unsigned detect() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return kCpuNone;
    unsigned features = kCpuNone;
    if (ecx & bit_SSSE3) features |= kCpuSsse3;
    const bool osxsave = (ecx & bit_OSXSAVE) != 0;
    const bool avx = (ecx & bit_AVX) != 0;
    // SSE and AVX state (XCR0 bits 1 and 2) must both be saved by the OS.
    const uint64_t xcr0 = osxsave ? readXcr0() : 0;
    if (avx && (xcr0 & 0x6) == 0x6) {
        unsigned a7 = 0, b7 = 0, c7 = 0, d7 = 0;
        if (__get_cpuid_count(7, 0, &a7, &b7, &c7, &d7)) {
            if (b7 & bit_AVX2) features |= kCpuAvx2;
            if (c7 & bit_GFNI) features |= kCpuGfni;
            // AVX-512 also needs the opmask and both halves of the ZMM
            // registers saved (XCR0 bits 5, 6 and 7).
            const unsigned avx512 = bit_AVX512F | bit_AVX512BW | bit_AVX512VL;
            if ((b7 & avx512) == avx512 && (xcr0 & 0xE0) == 0xE0) features |= kCpuAvx512;
        }
    }
    return features;
}
#elif defined(__aarch64__)
unsigned detect() { return kCpuNeon; }  // Advanced SIMD is part of the base architecture
#else
unsigned detect() { return kCpuNone; }
#endif

}  // namespace

unsigned cpuFeatures() {
    static const unsigned features = detect();
    return features;
}

}  // namespace vekdi::simd
