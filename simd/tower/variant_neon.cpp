// SPDX-License-Identifier: Apache-2.0
// Sixteen lanes with Arm Advanced SIMD, part of every aarch64 processor.
#include "simd/tower/ops_neon.h"
#include "simd/tower/kernel_body.h"

namespace vekdi::tower {

constinit const TowerKernels towerNeon = makeKernels<NeonOps, NeonOps>("neon", simd::kCpuNeon);

}  // namespace vekdi::tower
