// SPDX-License-Identifier: Apache-2.0
// Bit-mask helpers of field initialisation.
#pragma once

#include <cstdint>

namespace vekdi {

// Sum of coefficients[i] * 2^i for i = 0 ... m, accumulated from the highest
// power down; 0 when m is negative or above 31.
uint32_t coeffsToMask(const uint8_t* coefficients, int m);

// True when c has order 2^m - 1 modulo the generator (1 <= m <= 8): c^(n/p)
// != 1 for every entry p after the leading 1 of the prime-divisor row of m,
// n = 2^m - 1. The row ends with n, so the element 1 never passes, nor does
// any element for m = 1.
bool isFieldGenerator(uint32_t c, uint32_t generatorMask, int m);

}  // namespace vekdi
