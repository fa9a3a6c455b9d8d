// SPDX-License-Identifier: Apache-2.0
// Bit-mask helpers of field initialisation.
#pragma once

#include <cstdint>

namespace vekdi {

// Sum of coefficients[i] * 2^i for i = 0 ... m, accumulated from the highest
// power down; 0 when m is negative or above 31.
uint32_t coeffsToMask(const uint8_t* coefficients, int m);

}  // namespace vekdi
