// SPDX-License-Identifier: Apache-2.0
// Thirty-two lanes (two groups of sixteen per step) with AVX2, sixteen for
// the remainder; compiled with -mavx2 only.
#include "simd/tower/ops_x86.h"
#include "simd/tower/kernel_body.h"

namespace vekdi::tower {

constinit const TowerKernels towerAvx2 = makeKernels<Avx2Ops, Ssse3Ops>("avx2", simd::kCpuSsse3 | simd::kCpuAvx2);

}  // namespace vekdi::tower
