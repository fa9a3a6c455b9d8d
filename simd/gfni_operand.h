// SPDX-License-Identifier: Apache-2.0
// A GF2P8AFFINEQB matrix broadcast to every 64-bit lane, kept in a register.
//
// clang 14's assembler encodes a broadcast memory operand of GF2P8AFFINEQB
// ({1to8}, {1to4}) with its 8-bit displacement scaled for a whole vector
// instead of the 8-byte element: a matrix 8 bytes past the base register is
// read 64 bytes past it. The empty asm statement keeps the broadcast out of
// the instruction, so the matrix is loaded by an instruction encoded right.
// Include only from units compiled with GFNI.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace vekdi::codes {

template <class V>
inline __attribute__((always_inline)) V gfniInRegister(V v) {
#if defined(__clang__)
    __asm__("" : "+v"(v));
#endif
    return v;
}

#if defined(__AVX512F__)
inline __attribute__((always_inline)) __m512i gfniMatrix512(uint64_t matrix) {
    return gfniInRegister(_mm512_set1_epi64(static_cast<long long>(matrix)));
}
#endif

#if defined(__AVX2__)
inline __attribute__((always_inline)) __m256i gfniMatrix256(uint64_t matrix) {
    return gfniInRegister(_mm256_set1_epi64x(static_cast<long long>(matrix)));
}
#endif

}  // namespace vekdi::codes
