// SPDX-License-Identifier: Apache-2.0
#include <array>

#include "codes/gf256.h"
#include "codes/region.h"
#include "rs/tower/kernels.h"

namespace vekdi::codes {

namespace {
constexpr std::array kVariants{
    &regionPortable,
#if defined(__x86_64__) || defined(__i386__)
    &regionSsse3,      &regionAvx2, &regionGfni256, &regionAvx512Gfni,
#endif
#if defined(__aarch64__)
    &regionNeon,
#endif
};
}  // namespace

std::span<const RegionKernels* const> regionVariants() { return kVariants; }

bool regionSupported(const RegionKernels& k) { return (k.requiredFeatures & ~tower::cpuFeatures()) == 0; }

const RegionKernels& regionKernels() {
    static const RegionKernels* const chosen = [] {
        const RegionKernels* best = &regionPortable;
        for (const RegionKernels* k : kVariants)
            if (regionSupported(*k)) best = k;
        return best;
    }();
    return *chosen;
}

uint64_t gfniMatrix(uint8_t c) {
    // Output bit i is the parity of (byte 7 - i of the matrix) AND x, so that
    // byte collects the input bits j whose product c * x^j has bit i set.
    uint64_t matrix = 0;
    for (int j = 0; j < 8; ++j) {
        const uint8_t column = gfMul(c, static_cast<uint8_t>(1u << j));
        for (int i = 0; i < 8; ++i)
            if ((column >> i) & 1u) matrix |= uint64_t(1) << (8 * (7 - i) + j);
    }
    return matrix;
}

void nibbleTables(uint8_t c, uint8_t* lo16, uint8_t* hi16) {
    uint8_t lo[4], hi[4];
    for (int b = 0; b < 4; ++b) {
        lo[b] = gfMul(c, static_cast<uint8_t>(1u << b));
        hi[b] = gfMul(c, static_cast<uint8_t>(16u << b));
    }
    for (int x = 0; x < 16; ++x) {
        uint8_t l = 0, h = 0;
        for (int b = 0; b < 4; ++b)
            if ((x >> b) & 1) {
                l ^= lo[b];
                h ^= hi[b];
            }
        lo16[x] = l;
        hi16[x] = h;
    }
}

}  // namespace vekdi::codes
