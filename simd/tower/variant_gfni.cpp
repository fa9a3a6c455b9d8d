// SPDX-License-Identifier: Apache-2.0
// AVX2 with the Galois-field instructions; compiled with -mavx2 -mgfni only.
// The products by constants and the point-block preparation are those of
// the AVX2 variant; evaluation, the basis change, the syndromes, the encoder
// and the key-equation solvers are the GF2P8 kernels of simd/tower/gfni/, one
// unit per algorithm, declared in gfni_kernels.h.
#include "simd/tower/gfni_kernels.h"
#include "simd/tower/kernel_body.h"
#include "simd/tower/ops_x86.h"

namespace vekdi::tower {

constinit const TowerKernels towerGfni =
    gfni::withGfniKernels(makeKernels<Avx2Ops, Ssse3Ops>("gfni", simd::kCpuSsse3 | simd::kCpuAvx2 | simd::kCpuGfni));

}  // namespace vekdi::tower
