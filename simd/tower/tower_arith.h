// SPDX-License-Identifier: Apache-2.0
// Scalar arithmetic of the tower basis GF((2^4)^2): a byte h:l stands for
// h*y + l with h, l in GF(16) = GF(2)[x]/(x^4 + x + 1) and y^2 = y + 9.
// Used to build the static tables at compile time and by the tests as an
// independent reference; the vector kernels never call it.
#pragma once

#include <cstdint>

namespace vekdi::tower {

// Product in GF(16) modulo x^4 + x + 1, bit-serial.
constexpr uint8_t gf16Mul(uint8_t a, uint8_t b) {
    unsigned r = 0;
    unsigned aa = a & 15u;
    for (int i = 0; i < 4; ++i) {
        if (b & (1u << i)) r ^= aa;
        aa <<= 1;
        if (aa & 0x10u) aa ^= 0x13u;
    }
    return static_cast<uint8_t>(r);
}

inline constexpr uint8_t kTowerConstant = 9;  // y^2 = y + 9

// Tower product: low = al*bl + 9*ah*bh, high = al*bh + ah*(bl + bh).
constexpr uint8_t towerMul(uint8_t a, uint8_t b) {
    const uint8_t al = a & 15, ah = a >> 4, bl = b & 15, bh = b >> 4;
    const uint8_t lo = gf16Mul(al, bl) ^ gf16Mul(kTowerConstant, gf16Mul(ah, bh));
    const uint8_t hi = gf16Mul(al, bh) ^ gf16Mul(ah, static_cast<uint8_t>(bl ^ bh));
    return static_cast<uint8_t>((hi << 4) | lo);
}

constexpr uint8_t towerPow(uint8_t a, unsigned e) {
    uint8_t r = 1;
    for (unsigned i = 0; i < e; ++i) r = towerMul(r, a);
    return r;
}

}  // namespace vekdi::tower
