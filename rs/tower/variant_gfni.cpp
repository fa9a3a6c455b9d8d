// SPDX-License-Identifier: Apache-2.0
// AVX2 with the Galois-field instructions; compiled with -mavx2 -mgfni only.
// The products by constants and the point-block preparation are those of
// the AVX2 variant; evaluation, the basis change, the syndromes, the encoder
// and the key-equation solvers are the GF2P8 kernels of rs/tower/gfni/, one
// unit per algorithm, declared in gfni_kernels.h.
#include "rs/tower/gfni_kernels.h"
#include "rs/tower/kernel_body.h"
#include "rs/tower/ops_x86.h"

namespace vekdi::tower {

constinit const TowerKernels towerGfni =
    gfni::withGfniKernels(makeKernels<Avx2Ops, Ssse3Ops>("gfni", kCpuSsse3 | kCpuAvx2 | kCpuGfni));

}  // namespace vekdi::tower
