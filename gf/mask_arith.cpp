// SPDX-License-Identifier: Apache-2.0
// Bit-mask arithmetic modulo a generator polynomial, independent of any tables.
#include <bit>

#include "gf/field.h"

namespace vekdi {

uint32_t maskMulMod(uint32_t a, uint32_t b, uint32_t g, int m) {
    if (a == 0 || b == 0) return 0;
    // Work at the top of a 32-bit word: bit m of g falls out, and so do the
    // bits of a and b at or above m.
    const int s = 32 - m;
    const uint32_t A = a << s;
    uint32_t B = b << s;
    const uint32_t G = g << s;
    uint32_t R = (B & 0x80000000u) ? A : 0;
    for (int i = 0; i < m - 1; ++i) {
        B <<= 1;
        const uint32_t carry = (R & 0x80000000u) ? G : 0;
        R = (R << 1) ^ carry ^ ((B & 0x80000000u) ? A : 0);
    }
    return R >> s;
}

uint32_t maskPowMod(uint32_t b, uint32_t e, uint32_t g, int m) {
    if (b == 0) return 0;
    if (e == 0) return 1;
    const int t = 31 - std::countl_zero(e);
    if (t == 0) return b;
    uint32_t r = b;
    for (int k = t - 1; k >= 0; --k) {
        r = maskMulMod(r, r, g, m);
        if ((e >> k) & 1u) r = maskMulMod(r, b, g, m);
    }
    return r;
}

}  // namespace vekdi
