// SPDX-License-Identifier: Apache-2.0
// Decoding kernels in the tower basis: sixteen evaluation points per step
// through nibble lookups, for contexts that carry the fast tables. Each takes
// the vector variant to run with; the drivers pass the process's active one.
// None checks its arguments: the drivers guarantee what each states.
#pragma once

#include <cstdint>

#include "poly/poly.h"
#include "rs/decoder.h"
#include "rs/errata.h"
#include "rs/tower/kernels.h"

namespace vekdi {

using tower::TowerKernels;

// S = 1 + S_1 x + ... + S_r x^r (tower basis) with S_j = R(point j-1) from
// the context's syndrome point blocks; all r + 1 coefficients are written.
// Full groups of 16 values go straight into coefficients 1 + 16g ..., a
// final partial group through a temporary, so r + 1 coefficients suffice.
void rsSyndromesFast(PolyGF* s, const PolyGF* r, const uint8_t* syndromeBlocks, int count, const TowerKernels& k);

// L *= (1 + X_i x) for each position p_i, X_i = towerPow[(n-1-p_i) mod 256],
// the degree capped at r after every factor (the product mod x^(r+1)).
// L->coeffs is 16-byte aligned. The kernel first zeroes L above its degree
// up to coefficient R16(r + 1) - 1 (when the capacity reaches that far),
// then works on whole groups of 16 up to coefficient R16(d + 2) - 1 for the
// running degree d <= r, so the area must reach that far; whatever lies
// above r there never reaches the coefficients at or below r.
void rsErasureLocatorFast(PolyGF* l, const int* positions, int count, const RSDecoder* d, const TowerKernels& k);

// Roots of L among all 255 nonzero points, as x-exponents 255 - i for
// ascending i; lists every root (no early stop). `out` has room for deg L
// bytes (a nonzero L has no more roots). chienBlocks: the context's Chien
// point blocks, point i = alpha^i for i = 0 ... 255.
int rsChienSearchFast(uint8_t* out, const PolyGF* l, const uint8_t* chienBlocks, const TowerKernels& k);

// Forney's formula at each listed x-exponent with D = Lambda' and W = Omega
// in the tower basis: Y = X^(2-b) W(X^-1) / D(X^-1). The nonzero values are
// appended to `errata` as logarithms to the base alpha (so the field's own
// expTable turns them into polynomial-basis bytes). Nothing is corrected
// here. Returns the number of positions whose D value is nonzero; a smaller
// number than `count` means some value cannot be formed. scratch: 7*R16(r)
// bytes, 16-byte aligned; count <= r.
int rsErrorValuesFast(ErrataList* errata, const PolyGF* dPoly, const PolyGF* w, const uint8_t* positions, int count,
                      uint8_t* scratch, const RSDecoder* d, const TowerKernels& k);

}  // namespace vekdi
