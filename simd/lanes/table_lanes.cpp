// SPDX-License-Identifier: Apache-2.0
#include "simd/lanes/table_lanes.h"

#include "simd/variants.h"

namespace vekdi {

const TableLaneKernels* tableLaneKernels() {
    static const TableLaneKernels* const chosen = simd::chooseVariant(simd::tableLaneVariants());
    return chosen;
}

}  // namespace vekdi
