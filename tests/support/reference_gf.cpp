// SPDX-License-Identifier: Apache-2.0
#include "tests/support/reference_gf.h"

#include <bit>

namespace vekdi::test {

uint32_t refMul(uint32_t a, uint32_t b, uint32_t g, int m) {
    uint32_t r = 0;
    for (int i = m - 1; i >= 0; --i) {
        r <<= 1;
        if (r & (1u << m)) r ^= g;
        if ((b >> i) & 1u) r ^= a;
    }
    return r;
}

uint32_t refPow(uint32_t a, uint64_t e, uint32_t g, int m) {
    uint32_t r = 1;
    uint32_t base = a;
    while (e != 0) {
        if (e & 1u) r = refMul(r, base, g, m);
        base = refMul(base, base, g, m);
        e >>= 1;
    }
    return r;
}

uint32_t refOrder(uint32_t a, uint32_t g, int m) {
    uint32_t x = a;
    uint32_t k = 1;
    while (x != 1) {
        x = refMul(x, a, g, m);
        ++k;
    }
    return k;
}

namespace {
int degreeOf(uint64_t p) { return p == 0 ? -1 : 63 - std::countl_zero(p); }

uint64_t binaryMod(uint64_t a, uint64_t b) {
    const int db = degreeOf(b);
    for (int da = degreeOf(a); da >= db; da = degreeOf(a)) a ^= b << (da - db);
    return a;
}
}  // namespace

bool isIrreducibleBinary(uint32_t mask) {
    const int d = degreeOf(mask);
    if (d < 1) return false;
    for (uint64_t f = 2; degreeOf(f) <= d / 2; ++f) {
        if (binaryMod(mask, f) == 0) return false;
    }
    return true;
}

std::vector<uint32_t> irreducibleMasks(int m) {
    std::vector<uint32_t> out;
    for (uint32_t mask = 1u << m; mask < (2u << m); ++mask) {
        if (isIrreducibleBinary(mask)) out.push_back(mask);
    }
    return out;
}

uint32_t smallestGenerator(uint32_t g, int m) {
    const uint32_t n = (1u << m) - 1;
    if (m == 1) return 2;
    if (refOrder(2, g, m) == n) return 2;
    for (uint32_t c = 1; c <= n; ++c) {
        if (refOrder(c, g, m) == n) return c;
    }
    return 1u << m;
}

}  // namespace vekdi::test
