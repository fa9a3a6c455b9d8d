// SPDX-License-Identifier: Apache-2.0
// Bit-mask arithmetic modulo a generator polynomial, independent of any
// tables and usable at compile time: the table builder, field initialisation
// and the built-in tower records all choose and power alpha with it.
#pragma once

#include <bit>
#include <cstdint>

namespace vekdi {

// a*b of two elements in bit-mask form modulo the generator polynomial
// (bit m set), 1 <= m <= 31; bits of a and b at or above m are ignored.
constexpr uint32_t maskMulMod(uint32_t a, uint32_t b, uint32_t g, int m) {
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

// b^e in bit-mask form modulo the generator polynomial (square-and-multiply).
constexpr uint32_t maskPowMod(uint32_t b, uint32_t e, uint32_t g, int m) {
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

// True when c has order n = 2^m - 1 modulo the generator (1 <= m <= 8):
// c != 1 and c^(n/p) != 1 for every prime p dividing n. For m = 1 no element
// passes (the group {1} has no element other than 1).
constexpr bool isFieldGenerator(uint32_t c, uint32_t g, int m) {
    const uint32_t n = (1u << m) - 1u;
    if (maskPowMod(c, 1, g, m) == 1) return false;
    uint32_t rest = n;
    for (uint32_t p = 2; p * p <= rest; ++p) {
        if (rest % p != 0) continue;
        if (maskPowMod(c, n / p, g, m) == 1) return false;
        while (rest % p == 0) rest /= p;
    }
    return rest == 1 || maskPowMod(c, n / rest, g, m) != 1;
}

// The primitive element field initialisation chooses: x (2) when the
// generator is primitive, otherwise the smallest generating element; both
// are the smallest element that generates the group, since 1 never does.
// 2^m when none exists (only for m = 1, where the tables do not depend on it).
constexpr uint32_t fieldAlphaFor(uint32_t g, int m) {
    uint32_t c = 1;
    while (c < (1u << m) && !isFieldGenerator(c, g, m)) ++c;
    return c;
}

}  // namespace vekdi
