// SPDX-License-Identifier: Apache-2.0
// Every kernel family's variants in one place, and the one chooser.
//
// Each list holds the variants compiled into this build, ordered by measured
// speed, slowest first; each variant names the CPU features it needs
// (requiredFeatures, CpuFeature bits, noted beside it here). A family runs
// the last variant of its list that the machine supports, chosen once per
// process by the family's accessor (tower::towerActive(),
// tableLaneKernels(), codes::regionKernels(), codes::batchKernels()).
// A list's definition is reached only by the accessor of its own library:
// the 41-export library holds the tower and table-lane kernels, vekdi-codes
// the region and batch kernels.
#pragma once

#include <span>

#include "simd/batch/batch_kernels.h"
#include "simd/cpu_features.h"
#include "simd/lanes/table_lanes.h"
#include "simd/region/region.h"
#include "simd/tower/kernels.h"

namespace vekdi::simd {

// The last variant of the list whose features the machine has, or null.
template <class Kernels>
const Kernels* chooseVariant(std::span<const Kernels* const> variants) {
    const Kernels* chosen = nullptr;
    for (const Kernels* k : variants)
        if (cpuHas(k->requiredFeatures)) chosen = k;
    return chosen;
}

// The tower kernels. AVX-512 comes before AVX2: on the machines measured so
// far (512-bit operations issued as two 256-bit halves) it is no faster, so
// it runs in the tests and benchmarks but is never chosen.
inline std::span<const tower::TowerKernels* const> towerVariants() {
    static constexpr const tower::TowerKernels* kList[] = {
        &tower::towerPortable,  // nothing
#if defined(VEKDI_TOWER_X86)
        &tower::towerSsse3,   // SSSE3
        &tower::towerAvx512,  // SSSE3, AVX2, AVX-512
        &tower::towerAvx2,    // SSSE3, AVX2
        &tower::towerGfni,    // SSSE3, AVX2, GFNI
#endif
#if defined(VEKDI_TOWER_NEON)
        &tower::towerNeon,  // NEON
#endif
    };
    return kList;
}

// The small-field table lanes: a byte shuffle or nothing (the lane drivers
// then use their portable bit planes).
inline std::span<const TableLaneKernels* const> tableLaneVariants() {
#if defined(__x86_64__) || defined(__i386__)
    static constexpr const TableLaneKernels* kList[] = {
        &tableLanesSsse3,  // SSSE3
    };
    return kList;
#else
    return {};
#endif
}

// The erasure-code region kernels.
inline std::span<const codes::RegionKernels* const> regionVariants() {
    static constexpr const codes::RegionKernels* kList[] = {
        &codes::regionPortable,  // nothing
#if defined(__x86_64__) || defined(__i386__)
        &codes::regionSsse3,       // SSSE3
        &codes::regionAvx2,        // AVX2
        &codes::regionGfni256,     // AVX2, GFNI
        &codes::regionAvx512Gfni,  // AVX-512, GFNI
#endif
#if defined(__aarch64__)
        &codes::regionNeon,  // NEON
#endif
    };
    return kList;
}

// The batch kernels of the Reed-Solomon codes, or nothing (the batch calls
// then take one word at a time).
inline std::span<const codes::BatchKernels* const> batchVariants() {
#if defined(VEKDI_SIMD_BATCH_AVX512)
    static constexpr const codes::BatchKernels* kList[] = {
        &codes::batchAvx512,  // AVX-512, GFNI
    };
    return kList;
#else
    return {};
#endif
}

}  // namespace vekdi::simd
