// SPDX-License-Identifier: Apache-2.0
#include "rs/tower/kernels.h"

#if defined(VEKDI_TOWER_X86)
#include <cpuid.h>
#endif

namespace vekdi::tower {

namespace {

#if defined(VEKDI_TOWER_X86)
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
    if (osxsave && avx && (readXcr0() & 0x6) == 0x6) {
        unsigned a7 = 0, b7 = 0, c7 = 0, d7 = 0;
        if (__get_cpuid_count(7, 0, &a7, &b7, &c7, &d7)) {
            if (b7 & bit_AVX2) features |= kCpuAvx2;
            if (c7 & bit_GFNI) features |= kCpuGfni;
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

}  // namespace vekdi::tower
