// SPDX-License-Identifier: Apache-2.0
#include "simd/tower/kernels.h"

namespace vekdi::tower {

namespace {

// Ordered from the most portable to the fastest. The AVX-512 variant comes
// before AVX2: on the machines measured so far (512-bit operations issued as
// two 256-bit halves) it is no faster, so it runs in the tests and benchmarks
// but is never chosen.
constexpr const TowerKernels* kVariants[] = {
    &towerPortable,
#if defined(VEKDI_TOWER_X86)
    &towerSsse3,
    &towerAvx512,
    &towerAvx2,
    &towerGfni,
#endif
#if defined(VEKDI_TOWER_NEON)
    &towerNeon,
#endif
};

const TowerKernels& choose() {
    const TowerKernels* best = &towerPortable;
    for (const TowerKernels* k : kVariants)
        if (towerSupported(*k)) best = k;
    return *best;
}

}  // namespace

std::span<const TowerKernels* const> towerVariants() { return kVariants; }

const TowerKernels& towerActive() {
    static const TowerKernels& active = choose();
    return active;
}

}  // namespace vekdi::tower
