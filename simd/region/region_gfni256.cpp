// SPDX-License-Identifier: Apache-2.0
// The AVX2 + GFNI (256-bit) region kernels (compiled with only this instruction set's flags).
#include "simd/cpu_features.h"
#include "simd/region/region_body.h"
#include "simd/region/region_x86.h"

namespace vekdi::codes {

const RegionKernels regionGfni256{"avx2-gfni", simd::kCpuAvx2 | simd::kCpuGfni, Gfni256Ops::kTableBytes, prepareGfni, regionDot<Gfni256Ops>};

}  // namespace vekdi::codes
