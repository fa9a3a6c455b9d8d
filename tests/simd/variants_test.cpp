// SPDX-License-Identifier: Apache-2.0
// The variant each kernel family of the 41-export library runs: the fastest
// one the machine supports, in the order of the measured lists
// (simd/variants.h). The expectation is written from the CPU features alone,
// so a list reordered by mistake, or a variant naming the wrong features,
// changes what runs here and fails. (The companion's families: region_test.)
#include <gtest/gtest.h>

#include <string>

#include "simd/variants.h"

namespace vekdi::test {
namespace {

using namespace vekdi::simd;

template <class Kernels>
std::string nameOf(const Kernels* k) {
    return k != nullptr ? k->name : "none";
}

TEST(Variants, TowerAndLaneKernelsRunTheFastestSupported) {
    // What each family should run, from the features alone.
    std::string towerWant = "portable", lanesWant = "none";
#if defined(__x86_64__) || defined(__i386__)
    // AVX-512 never wins the tower kernels (no faster than AVX2).
    if (cpuHas(kCpuSsse3)) towerWant = lanesWant = "ssse3";
    if (cpuHas(kCpuSsse3 | kCpuAvx2)) towerWant = "avx2";
    if (cpuHas(kCpuSsse3 | kCpuAvx2 | kCpuGfni)) towerWant = "gfni";
#elif defined(__aarch64__)
    ASSERT_TRUE(cpuHas(kCpuNeon));
    towerWant = "neon";
#endif
    EXPECT_EQ(nameOf(&tower::towerActive()), towerWant);
    EXPECT_EQ(nameOf(tableLaneKernels()), lanesWant);
    EXPECT_EQ(towerVariants().front(), &tower::towerPortable);
}

}  // namespace
}  // namespace vekdi::test
