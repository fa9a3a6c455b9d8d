// SPDX-License-Identifier: Apache-2.0
// Small helpers on coefficient runs and polynomial objects shared by the
// polynomial operations: block copies and fills, the zero polynomial, and
// the identifier check.
#pragma once

#include <cstdint>
#include <cstring>

#include "poly/poly.h"

namespace vekdi {

// Copies count bytes; storage may overlap (a copy onto itself is a no-op).
inline void coeffMove(uint8_t* dst, const uint8_t* src, int count) {
    if (count > 0 && dst != src) std::memmove(dst, src, static_cast<size_t>(count));
}

inline void coeffZero(uint8_t* dst, int count) {
    if (count > 0) std::memset(dst, 0, static_cast<size_t>(count));
}

// Makes p the zero polynomial: degree 0, coefficient 0.
inline void polySetZero(PolyGF* p) {
    p->degree = 0;
    p->coeffs[0] = 0;
}

// Makes p the polynomial x (capacity >= 2).
inline void polySetX(PolyGF* p) {
    p->coeffs[0] = 0;
    p->coeffs[1] = 1;
    p->degree = 1;
}

// Mask that brings any byte into the field's element range; indices masked
// with it never reach past the field's tables.
inline unsigned fieldMask(const FieldGF* f) { return f->order - 1; }

// Degree of coeffs[0 ... from] after dropping leading coefficients that are
// zero as field elements (masked). Equals polyNormalDegree for valid input.
inline int polyFieldDegree(const uint8_t* coeffs, int from, unsigned mask) {
    while (from > 0 && (coeffs[from] & mask) == 0) --from;
    return from;
}

// Status of the identifier check of a polynomial argument.
inline bool polyIdOk(const PolyGF* p) { return p->id == kPolyId; }

// True when two objects share a record or coefficient storage.
inline bool polySameStorage(const PolyGF* a, const PolyGF* b) { return a == b || a->coeffs == b->coeffs; }

}  // namespace vekdi
