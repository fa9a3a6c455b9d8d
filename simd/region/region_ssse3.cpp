// SPDX-License-Identifier: Apache-2.0
// The SSSE3 region kernels (compiled with only this instruction set's flags).
#include "simd/cpu_features.h"
#include "simd/region/region_body.h"
#include "simd/region/region_x86.h"

namespace vekdi::codes {

const RegionKernels regionSsse3{"ssse3", simd::kCpuSsse3, Ssse3Ops::kTableBytes, prepareNibbles, regionDot<Ssse3Ops>};

}  // namespace vekdi::codes
