// SPDX-License-Identifier: Apache-2.0
// The tower-basis vector primitives under their own names, running with the
// process's active variant (see kernels.h for what each computes).
#pragma once

#include <cstdint>

#include "simd/tower/kernels.h"

namespace vekdi {

inline void rsTowerConvert(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) {
    tower::towerActive().convert(out, in, len, matrix);
}
inline void rsTowerExpandPoints(uint8_t* out, const uint8_t* in, int len) {
    tower::towerActive().expandPoints(out, in, len);
}
inline void rsTowerEvalPoly16(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* block) {
    tower::towerActive().evalPoly16(out, coeffs, count, block);
}
inline void rsTowerMulConst(uint8_t* out, const uint8_t* in, int len, uint8_t c) {
    tower::towerActive().mulConst(out, in, len, c);
}
inline void rsTowerMulAddConst(uint8_t* inout, const uint8_t* in, int len, uint8_t c) {
    tower::towerActive().mulAddConst(inout, in, len, c);
}
inline void rsTowerPolyMul(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen) {
    tower::towerActive().polyMul(out, a, aLen, s, sLen);
}
inline void rsTowerMulLinear(uint8_t* p, int len, uint8_t c) { tower::towerActive().mulLinear(p, len, c); }

}  // namespace vekdi
