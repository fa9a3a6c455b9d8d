// SPDX-License-Identifier: Apache-2.0
// Greatest common divisor by Euclid's algorithm, without making the result
// monic. Two working polynomials of 256 coefficients live in the call's frame
// and the destination serves as the third; the three rotate so that nothing
// is copied inside the loop.
#include <algorithm>

#include "poly/exports.h"
#include "poly/coefficients.h"

namespace vekdi::poly {

namespace {

constexpr int kWorkCapacity = 256;

// A complete polynomial object with inline storage, in the call's frame.
struct WorkPoly {
    PolyGF header;
    uint8_t storage[kWorkCapacity];

    explicit WorkPoly(const PolyGF* src) {
        polyWrap(&header, src->field, storage, kWorkCapacity, 0);
        polyCopyNormalised(&header, src);
    }
};

// True when every coefficient up to the normalised degree is a field element.
bool coeffsInField(const PolyGF* p, int degree) {
    const unsigned mask = fieldMask(p->field);
    for (int i = 0; i <= degree; ++i)
        if ((p->coeffs[i] & ~mask) != 0) return false;
    return true;
}

// Euclid's loop on x and y (y non-zero) with r as the third buffer. Returns
// the last non-zero remainder, which lives in one of the three.
const PolyGF* euclid(PolyGF* x, PolyGF* y, PolyGF* r) {
    while (!polyIsZero(y)) {
        polyRemainder(r, x, y);
        PolyGF* oldX = x;
        x = y;
        y = r;
        r = oldX;
    }
    return x;
}

}  // namespace

// Operands whose normalised degree exceeds the working storage, and a result
// that does not fit the destination, are refused before anything is written.
// When both operands are non-zero the result's degree is at most the smaller
// normalised degree, which the entry check already covers; a zero operand
// makes the result the other operand, checked against the destination here.
VekStatus veksPolyGFGCD_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* g) {
    if (a == nullptr || b == nullptr || g == nullptr) return StatusNullPointer;
    if (!polyIdOk(a) || !polyIdOk(b) || !polyIdOk(g)) return StatusContextMismatch;
    const int recordedA = a->degree, recordedB = b->degree;
    if (std::min(recordedA, recordedB) >= g->capacity) return StatusDestinationTooSmall;
    const int degA = polyNormalDegree(a->coeffs, a->degree);
    const int degB = polyNormalDegree(b->coeffs, b->degree);
    if (degA >= kWorkCapacity || degB >= kWorkCapacity) return StatusDestinationTooSmall;
    const bool aZero = degA == 0 && a->coeffs[0] == 0;
    const bool bZero = degB == 0 && b->coeffs[0] == 0;
    if ((bZero && degA >= g->capacity) || (aZero && degB >= g->capacity)) return StatusDestinationTooSmall;

    WorkPoly x(a);
    WorkPoly y(b);
    if (coeffsInField(a, degA) && coeffsInField(b, degB)) {
        const PolyGF* result = euclid(&x.header, &y.header, g);
        polyCopyNormalised(g, result);
        return StatusOk;
    }
    // Bytes outside the field are zero to the division, so the last remainder
    // can keep more stored coefficients than the checks above allow for. The
    // loop then runs in the frame alone, and a result that does not fit the
    // destination is refused with nothing written.
    WorkPoly spare(a);
    const PolyGF* result = euclid(&x.header, &y.header, &spare.header);
    if (polyNormalDegree(result->coeffs, result->degree) >= g->capacity) return StatusDestinationTooSmall;
    polyCopyNormalised(g, result);
    return StatusOk;
}

}  // namespace vekdi::poly
