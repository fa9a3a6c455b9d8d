// SPDX-License-Identifier: Apache-2.0
// Static GF(16) tables the tower kernels read with 16-byte shuffles.
#pragma once

#include <cstdint>

namespace vekdi::tower {

// Four rows of 16 and the 16x16 product table, in this order, 16-byte aligned.
struct alignas(16) Gf16Tables {
    uint8_t nibbleMask[16];     // sixteen 0x0F bytes
    uint8_t logRow[16];         // log base x of v; entry 0 = 0xC0 (marks a zero factor)
    uint8_t powRow[16];         // x^i for i = 0 ... 14, entry 15 = 1
    uint8_t product[16][16];    // product[a][b] = a*b
};

extern const Gf16Tables gf16Tables;

// For every tower element c, its products with the sixteen low-nibble values
// (c * v at [c][v]) and with the sixteen high-nibble values (c * (v << 4) at
// [c][16 + v]): c*b = [c][b & 15] ^ [c][16 + (b >> 4)].
struct alignas(32) TowerConstantProducts {
    uint8_t byConstant[256][32];
};

extern const TowerConstantProducts towerConstantProducts;

// Marker in the logarithm row for the element 0: any sum with it has its top
// bit set, which makes a byte shuffle return 0.
inline constexpr uint8_t kGf16LogZero = 0xC0;

}  // namespace vekdi::tower
