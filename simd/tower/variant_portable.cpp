// SPDX-License-Identifier: Apache-2.0
// The portable variant: the reference every other variant must match.
#include "simd/tower/ops_portable.h"
#include "simd/tower/kernel_body.h"

namespace vekdi::tower {

constinit const TowerKernels towerPortable = makeKernels<PortableOps, PortableOps>("portable", simd::kCpuNone);

}  // namespace vekdi::tower
