// SPDX-License-Identifier: Apache-2.0
// Non-zero roots of a polynomial in its own field, by trying every non-zero
// element in increasing order until as many roots as the recorded degree are
// found. Zero is never tried; each root is reported once.
#include "frame/impl.h"
#include "poly/coefficients.h"

namespace vekdi::impl {

namespace {

// p(x) by Horner's rule from the recorded top coefficient; x is non-zero and
// held as its logarithm.
unsigned hornerAtLog(const uint8_t* c, int degree, unsigned logX, const uint8_t* lg, const uint8_t* ex,
                     unsigned n) {
    unsigned acc = c[degree] & n;
    for (int k = degree - 1; k >= 0; --k) {
        unsigned product = 0;
        if (acc != 0) {
            unsigned s = lg[acc] + logX;
            if (s > n) s -= n;
            product = ex[s];
        }
        acc = (product ^ c[k]) & n;
    }
    return acc;
}

}  // namespace

VekStatus veksPolyGFRoots_8u(const VeksPolyGF_8u* p, uint8_t* roots, int* countOut) {
    if (roots == nullptr || countOut == nullptr || p == nullptr) return StatusNullPointer;
    if (!polyIdOk(p)) return StatusContextMismatch;
    const FieldGF* f = p->field;
    const uint8_t* lg = logTable(f);
    const uint8_t* ex = expTable(f);
    const unsigned n = fieldMask(f);
    const int degree = p->degree;
    int found = 0;
    for (unsigned x = 1; x <= n && found < degree; ++x) {
        if (hornerAtLog(p->coeffs, degree, lg[x], lg, ex, n) == 0) roots[found++] = static_cast<uint8_t>(x);
    }
    *countOut = found;
    return StatusOk;
}

}  // namespace vekdi::impl
