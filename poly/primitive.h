// SPDX-License-Identifier: Apache-2.0
// Internal routines of the primitivity test (x of order 2^n - 1 modulo f).
#pragma once

#include <cstdint>

#include "poly/poly.h"
#include "poly/prime_divisors.h"

namespace vekdi {

// p1 = x^e mod f, with p2 = x and p3 (capacity > 2 deg f) as scratch. For
// e >= 1 the start value x is not reduced, so x^1 stays x even when f has
// degree 1. p1 needs capacity > deg f.
void polyPowXMod(PolyGF* p1, const PolyGF* p2, PolyGF* p3, const PolyGF* f, uint32_t e);

// The exponents (2^n - 1) / p of the divisor tests for 1 <= n <= 32, one per
// entry after the leading 1 of the prime-divisor row, in row order, leaving
// out those below n (x^e with 0 < e < n has degree e and is never 1).
// Returns how many were written to `out`.
int primitivityCofactors(int n, uint32_t out[kPrimeDivisorRowMax]);

}  // namespace vekdi
