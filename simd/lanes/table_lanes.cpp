// SPDX-License-Identifier: Apache-2.0
#include "simd/lanes/table_lanes.h"

#include "simd/tower/kernels.h"

namespace vekdi {

const TableLaneKernels* tableLaneKernels() {
#if defined(__x86_64__) || defined(__i386__)
    if (tower::cpuFeatures() & tower::kCpuSsse3) return &tableLanesSsse3;
#endif
    return nullptr;
}

}  // namespace vekdi
