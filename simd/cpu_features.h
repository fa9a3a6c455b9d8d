// SPDX-License-Identifier: Apache-2.0
// The CPU-feature check: the one place in the tree that asks the processor
// (and the operating system) what it runs. Kernel variants name the features
// they need with these bits; simd/variants.h chooses among them.
#pragma once

namespace vekdi::simd {

enum CpuFeature : unsigned {
    kCpuNone = 0,
    kCpuSsse3 = 1u << 0,
    kCpuAvx2 = 1u << 1,  // includes the OS saving the 256-bit registers
    kCpuNeon = 1u << 2,
    kCpuGfni = 1u << 3,  // Galois-field instructions (with AVX2 for the 256-bit forms)
    kCpuAvx512 = 1u << 4,  // AVX-512 F, BW and VL, with the OS saving the ZMM and mask registers
};

// Features of the machine we run on (queried once).
unsigned cpuFeatures();

// Whether the machine has every feature of `required`.
inline bool cpuHas(unsigned required) { return (required & ~cpuFeatures()) == 0; }

}  // namespace vekdi::simd
