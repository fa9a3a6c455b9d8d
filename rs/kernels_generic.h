// SPDX-License-Identifier: Apache-2.0
// Decoding kernels that compute one element at a time through the field's
// logarithm and antilogarithm tables; they serve every field. None checks its
// arguments: the decode drivers guarantee what each states.
#pragma once

#include <cstdint>

#include "poly/poly.h"
#include "rs/decoder.h"
#include "rs/errata.h"

namespace vekdi {

// S = 1 + S_1 x + ... + S_r x^r with S_j = R(points[j-1]); all r + 1
// coefficients are written (those above the normalised degree are 0).
// S->capacity >= r + 1.
void rsSyndromesGeneric(PolyGF* s, const PolyGF* r, const uint8_t* points, int count);

// L *= (1 + X_i x) for each position p_i (0 <= p_i < n), X_i = alpha^(n-1-p_i).
// L->capacity >= L->degree + count + 1.
void rsErasureLocatorGeneric(PolyGF* l, const int* positions, int count, const RSDecoder* d);

// Roots of L among alpha^1 ... alpha^(q-1), as x-exponents q-1-j, in
// ascending j; stops once deg L roots are found. `out` has room for deg L bytes.
int rsChienSearchGeneric(uint8_t* out, const PolyGF* l);

// Forney's formula for each listed x-exponent, Y = X^(2-b) * W(X^-1) / D(X^-1)
// with root = alpha^b; the nonzero values are appended to `errata` (which has
// room for `count` entries) as logarithms. Nothing is corrected here. Returns
// the number appended, or -1 when some D(X^-1) is 0 (no value can be formed).
int rsErrorValuesGeneric(ErrataList* errata, const PolyGF* dPoly, const PolyGF* w, const uint8_t* positions,
                         int count, const RSDecoder* d);

// dst = d/dx src in characteristic 2; dst may be src. Returns 1.
int rsFormalDerivative(PolyGF* dst, const PolyGF* src);

// p(x) at x = alpha^lx (lx the logarithm of a nonzero point), Horner's rule.
uint8_t rsEvalAtLog(const PolyGF* p, unsigned lx);

}  // namespace vekdi
