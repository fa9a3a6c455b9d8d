// SPDX-License-Identifier: Apache-2.0
// Arm Advanced SIMD (NEON) vector operations: sixteen lanes, byte shuffles
// with vqtbl1q_u8.
#pragma once

#include <arm_neon.h>

#include <cstdint>

namespace vekdi::tower {
namespace {

struct NeonOps {
    using V = uint8x16_t;
    static constexpr int lanes = 16;

    static V zero() { return vdupq_n_u8(0); }
    static V set1(uint8_t v) { return vdupq_n_u8(v); }
    static V load(const uint8_t* p) { return vld1q_u8(p); }
    static void store(uint8_t* p, V v) { vst1q_u8(p, v); }
    static V table(const uint8_t* p) { return load(p); }
    static V loadRows(const uint8_t* p, int) { return load(p); }
    static void storeRows(uint8_t* p, int, V v) { store(p, v); }
    static V bxor(V a, V b) { return veorq_u8(a, b); }
    static V band(V a, V b) { return vandq_u8(a, b); }
    static V add8(V a, V b) { return vaddq_u8(a, b); }
    static V sub8(V a, V b) { return vsubq_u8(a, b); }
    static V cmpgt8(V a, V b) { return vcgtq_s8(vreinterpretq_s8_u8(a), vreinterpretq_s8_u8(b)); }
    static V cmpeq8(V a, V b) { return vceqq_u8(a, b); }
    // vqtbl1q_u8 gives 0 for every index above 15; keeping only the top bit
    // and the low nibble makes indices 16 ... 127 wrap to idx & 15 as the
    // kernels expect, while a set top bit still gives 0.
    static V shuffle(V t, V idx) { return vqtbl1q_u8(t, vandq_u8(idx, vdupq_n_u8(0x8F))); }
    static V srl4(V a) { return vshrq_n_u8(a, 4); }
    static V sll4(V a) { return vshlq_n_u8(a, 4); }
    static V shiftIn(V a, uint8_t first) { return vextq_u8(vdupq_n_u8(first), a, 15); }
};

}  // namespace
}  // namespace vekdi::tower
