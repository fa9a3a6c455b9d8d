// SPDX-License-Identifier: Apache-2.0
// The NEON region kernels: nibble tables through TBL (Advanced SIMD is part
// of the aarch64 base architecture).
#include <arm_neon.h>

#include "simd/cpu_features.h"
#include "simd/region/region.h"
#include "simd/region/region_body.h"

namespace vekdi::codes {

namespace {

struct NeonOps {
    using V = uint8x16_t;
    struct T {
        uint8x16_t lo, hi;
    };
    static constexpr std::size_t kWidth = 16, kTableBytes = 32;
    static constexpr int kMaxRows = 8;
    template <int G>
    static constexpr int block() { return G <= 4 ? 2 : 1; }
    static V load(const uint8_t* p) { return vld1q_u8(p); }
    static void store(uint8_t* p, V v) { vst1q_u8(p, v); }
    static V zero() { return vdupq_n_u8(0); }
    static V bxor(V a, V b) { return veorq_u8(a, b); }
    static T table(const uint8_t* t) { return {vld1q_u8(t), vld1q_u8(t + 16)}; }
    struct X {
        uint8x16_t lo, hi;
    };
    static X split(V x) { return {vandq_u8(x, vdupq_n_u8(0x0f)), vshrq_n_u8(x, 4)}; }
    static V mul(const T& t, const X& x) { return veorq_u8(vqtbl1q_u8(t.lo, x.lo), vqtbl1q_u8(t.hi, x.hi)); }
    static void finish() {}
};

void prepareNeon(const uint8_t* coefs, std::size_t count, uint8_t* tables) {
    for (std::size_t i = 0; i < count; ++i) nibbleTables(coefs[i], tables + 32 * i, tables + 32 * i + 16);
}

}  // namespace

const RegionKernels regionNeon{"neon", simd::kCpuNeon, NeonOps::kTableBytes, prepareNeon, regionDot<NeonOps>};

}  // namespace vekdi::codes
