// SPDX-License-Identifier: Apache-2.0
// Distinct prime divisors of 2^n - 1 for n = 1 ... 32, as static rows.
#pragma once

#include <cstdint>

namespace vekdi {

// Longest row (n = 24, 28, 30): 1, six or seven primes, 2^n - 1.
inline constexpr int kPrimeDivisorRowMax = 8;

// Row n: 1, the distinct primes dividing 2^n - 1 in ascending order, then
// 2^n - 1 itself (not repeated when it is prime; for n = 1 the row is 1, 1).
// Null when n is outside 1 ... 32.
const uint32_t* primeDivisorList(int n);

// Number of entries in row n; 0 when n is outside 1 ... 32.
int primeDivisorCount(int n);

}  // namespace vekdi
