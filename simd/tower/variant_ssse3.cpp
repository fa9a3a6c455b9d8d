// SPDX-License-Identifier: Apache-2.0
// Sixteen lanes with SSSE3 byte shuffles; compiled with -mssse3 only.
#include "simd/tower/ops_x86.h"
#include "simd/tower/kernel_body.h"

namespace vekdi::tower {

constinit const TowerKernels towerSsse3 = makeKernels<Ssse3Ops, Ssse3Ops>("ssse3", simd::kCpuSsse3);

}  // namespace vekdi::tower
