// SPDX-License-Identifier: Apache-2.0
// Non-zero roots of a polynomial in its own field, by trying every non-zero
// element in increasing order until as many roots as the recorded degree are
// found. Zero is never tried; each root is reported once.
#include "gf/field.h"
#include "poly/coefficients.h"
#include "poly/exports.h"

namespace vekdi::poly {

VekStatus veksPolyGFRoots_8u(const VeksPolyGF_8u* p, uint8_t* roots, int* countOut) {
    if (roots == nullptr || countOut == nullptr || p == nullptr) return StatusNullPointer;
    if (!polyIdOk(p)) return StatusContextMismatch;
    const LogArith f = fieldLogs(p->field);
    const unsigned n = fieldMask(p->field);
    const uint8_t* c = p->coeffs;
    const int degree = p->degree;
    // p(x) by Horner's rule from the recorded top coefficient, every
    // coefficient masked into the field (a caller may have written any byte).
    auto valueAtLog = [&](unsigned logX) {
        uint8_t acc = c[degree] & n;
        for (int k = degree - 1; k >= 0; --k) acc = f.mulLog(acc, logX) ^ (c[k] & n);
        return acc;
    };
    int found = 0;
    for (unsigned x = 1; x <= n && found < degree; ++x) {
        if (valueAtLog(f.log[x]) == 0) roots[found++] = static_cast<uint8_t>(x);
    }
    *countOut = found;
    return StatusOk;
}

}  // namespace vekdi::poly
