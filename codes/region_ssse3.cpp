// SPDX-License-Identifier: Apache-2.0
// The SSSE3 region kernels (compiled with only this instruction set's flags).
#include "codes/region_body.h"
#include "codes/region_x86.h"
#include "rs/tower/kernels.h"

namespace vekdi::codes {

const RegionKernels regionSsse3{"ssse3", tower::kCpuSsse3, Ssse3Ops::kTableBytes, prepareNibbles, regionDot<Ssse3Ops>};

}  // namespace vekdi::codes
