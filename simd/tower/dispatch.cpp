// SPDX-License-Identifier: Apache-2.0
#include "simd/tower/kernels.h"

#include "simd/variants.h"

namespace vekdi::tower {

std::span<const TowerKernels* const> towerVariants() { return simd::towerVariants(); }

const TowerKernels& towerActive() {
    static const TowerKernels& active = *simd::chooseVariant(simd::towerVariants());
    return active;
}

}  // namespace vekdi::tower
