// SPDX-License-Identifier: Apache-2.0
// GF(256) with the generator polynomial 0x11D, alpha = x: logarithm tables
// built at compile time, for the matrices and the coefficient tables of the
// region kernels.
#pragma once

#include <cstdint>

#include "gf/mask_arith.h"

namespace vekdi::codes {

struct Gf256Tables {
    uint8_t exp[512];  // exp[i] = alpha^i, doubled so that a sum of two logarithms needs no reduction
    uint8_t log[256];  // log[0] unused
};

constexpr Gf256Tables makeGf256Tables() {
    Gf256Tables t{};
    uint32_t x = 1;
    for (int i = 0; i < 255; ++i) {
        t.exp[i] = static_cast<uint8_t>(x);
        t.exp[i + 255] = static_cast<uint8_t>(x);
        t.log[x] = static_cast<uint8_t>(i);
        x = maskMulMod(x, 2, 0x11D, 8);
    }
    t.exp[510] = t.exp[0];
    t.exp[511] = t.exp[1];
    return t;
}

inline constexpr Gf256Tables kGf256 = makeGf256Tables();

constexpr uint8_t gfMul(uint8_t a, uint8_t b) {
    return (a == 0 || b == 0) ? 0 : kGf256.exp[kGf256.log[a] + kGf256.log[b]];
}
// The inverse of a non-zero element.
constexpr uint8_t gfInv(uint8_t a) { return kGf256.exp[255 - kGf256.log[a]]; }
// alpha^e for e >= 0.
constexpr uint8_t gfExp(unsigned e) { return kGf256.exp[e % 255]; }
// a^e for e >= 0 (0^0 = 1).
constexpr uint8_t gfPow(uint8_t a, unsigned e) {
    if (e == 0) return 1;
    if (a == 0) return 0;
    return kGf256.exp[(kGf256.log[a] * static_cast<unsigned long>(e)) % 255];
}

}  // namespace vekdi::codes
