// SPDX-License-Identifier: Apache-2.0
// The AVX2 region kernels (compiled with only this instruction set's flags).
#include "simd/cpu_features.h"
#include "simd/region/region_body.h"
#include "simd/region/region_x86.h"

namespace vekdi::codes {

const RegionKernels regionAvx2{"avx2", simd::kCpuAvx2, Avx2Ops::kTableBytes, prepareNibbles, regionDot<Avx2Ops>};

}  // namespace vekdi::codes
