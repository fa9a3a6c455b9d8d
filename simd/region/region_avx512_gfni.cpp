// SPDX-License-Identifier: Apache-2.0
// The AVX-512 + GFNI region kernels (compiled with only this instruction set's flags).
#include "simd/cpu_features.h"
#include "simd/region/region_body.h"
#include "simd/region/region_x86.h"

namespace vekdi::codes {

const RegionKernels regionAvx512Gfni{"avx512-gfni", simd::kCpuAvx512 | simd::kCpuGfni, Avx512GfniOps::kTableBytes, prepareGfni, regionDot<Avx512GfniOps>};

}  // namespace vekdi::codes
