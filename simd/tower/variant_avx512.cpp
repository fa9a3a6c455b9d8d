// SPDX-License-Identifier: Apache-2.0
// Sixty-four lanes (four groups of sixteen per step) with AVX-512BW, then
// thirty-two and sixteen for the remainder; compiled with -mavx512f
// -mavx512bw -mavx512vl (and AVX2) only.
#include "simd/tower/ops_x86.h"
#include "simd/tower/kernel_body.h"

namespace vekdi::tower {

constinit const TowerKernels towerAvx512 =
    makeKernels<Avx512Ops, Ssse3Ops, Avx2Ops>("avx512", simd::kCpuSsse3 | simd::kCpuAvx2 | simd::kCpuAvx512);

}  // namespace vekdi::tower
