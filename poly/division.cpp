// SPDX-License-Identifier: Apache-2.0
// Polynomial division by the window method: the remainder routine shared by
// the greatest common divisor and the polynomial tests, and the quotient and
// remainder exports.
//
// The window R[0 ... degB-1] holds the running remainder's coefficients of
// x^(i-degB+1) ... x^i at step i. Each step takes the window's top
// coefficient over the divisor's leading one as the quotient coefficient of
// x^(i-degB), shifts the window up by one while subtracting that multiple of
// the divisor, and brings in the dividend's coefficient of x^(i-degB).
//
// The divisor's degree is its recorded one lowered past zero top
// coefficients, so a divisor stored with a zero leading coefficient is
// divided by its true form and a divisor that is zero throughout acts as the
// zero polynomial. The dividend is taken as recorded.
#include "gf/field.h"
#include "poly/coefficients.h"
#include "poly/exports.h"

namespace vekdi {

namespace {

// Long division of a by b (degB >= 1, b's top coefficient non-zero in the
// field). Leaves the normalised remainder in r; writes the quotient
// coefficients 0 ... degA-degB to quotient when it is not null.
void windowDivide(PolyGF* r, const PolyGF* a, const uint8_t* b, int degB, uint8_t* quotient) {
    // The quotient coefficient is held as a logarithm; coefficients may be
    // any byte a caller wrote, so each is masked into the field first.
    const LogArith f = fieldLogs(a->field);
    const unsigned n = fieldMask(a->field);
    const uint8_t* ac = a->coeffs;
    const int degA = a->degree;
    uint8_t* w = r->coeffs;
    coeffMove(w, ac + degA - degB + 1, degB);
    // Logarithm of 1 / b[degB], so that t = lead / b[degB] is alpha^(log lead + invTop).
    const unsigned invTop = f.reduce(n - f.log[b[degB] & n]);
    for (int i = degA; i >= degB; --i) {
        const unsigned lead = w[degB - 1] & n;
        const uint8_t incoming = ac[i - degB];
        if (lead == 0) {
            if (quotient != nullptr) quotient[i - degB] = 0;
            coeffMove(w + 1, w, degB - 1);
            w[0] = incoming;
            continue;
        }
        const unsigned logT = f.reduce(f.log[lead] + invTop);
        if (quotient != nullptr) quotient[i - degB] = f.pow[logT];
        for (int k = degB - 1; k >= 1; --k) w[k] = static_cast<uint8_t>(w[k - 1] ^ f.mulLog(b[k] & n, logT));
        w[0] = static_cast<uint8_t>(incoming ^ f.mulLog(b[0] & n, logT));
    }
    r->degree = polyNormalDegree(w, degB - 1);
}

// The divisor's degree with zero top coefficients dropped.
int divisorDegree(const PolyGF* a, const PolyGF* b) {
    return polyFieldDegree(b->coeffs, b->degree, fieldMask(a->field));
}

// R = A copied with A's recorded degree.
void copyRecorded(PolyGF* r, const PolyGF* a) {
    coeffMove(r->coeffs, a->coeffs, a->degree + 1);
    r->degree = a->degree;
}

// Q = A / b0 for a non-zero constant b0, normalised from degA.
void divideByConstant(PolyGF* q, const PolyGF* a, uint8_t b0) {
    const LogArith f = fieldLogs(a->field);
    const unsigned n = fieldMask(a->field);
    const unsigned invB0 = f.reduce(n - f.log[b0 & n]);
    for (int j = 0; j <= a->degree; ++j) q->coeffs[j] = f.mulLog(a->coeffs[j] & n, invB0);
    q->degree = polyNormalDegree(q->coeffs, a->degree);
}

// Quotient degree the division will record, for the capacity check made with
// the divisor's true degree (0 for a quotient that becomes zero).
int quotientDegree(const PolyGF* a, const PolyGF* b) {
    const int degB = divisorDegree(a, b);
    if (degB == 0 && (b->coeffs[0] & fieldMask(a->field)) == 0) return 0;
    return a->degree >= degB ? a->degree - degB : 0;
}

}  // namespace

void polyRemainder(PolyGF* r, const PolyGF* a, const PolyGF* b) {
    const int degB = divisorDegree(a, b);
    if (degB == 0) {
        polySetZero(r);
    } else if (a->degree < degB) {
        copyRecorded(r, a);
    } else {
        windowDivide(r, a, b->coeffs, degB, nullptr);
    }
}

namespace {

void polyDivide(PolyGF* q, PolyGF* r, const PolyGF* a, const PolyGF* b) {
    const int degB = divisorDegree(a, b);
    if (degB == 0) {
        const uint8_t b0 = static_cast<uint8_t>(b->coeffs[0] & fieldMask(a->field));
        if (b0 != 0) {
            divideByConstant(q, a, b0);
        } else {
            polySetZero(q);
        }
        polySetZero(r);
    } else if (a->degree < degB) {
        polySetZero(q);
        copyRecorded(r, a);
    } else {
        q->degree = a->degree - degB;
        windowDivide(r, a, b->coeffs, degB, q->coeffs);
    }
}

}  // namespace

}  // namespace vekdi

namespace vekdi::poly {

// Destinations must be distinct from the operands and from each other: the
// window overwrites its storage while the dividend is still being read.
VekStatus veksPolyGFDiv_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* q, VeksPolyGF_8u* r) {
    if (a == nullptr || b == nullptr || q == nullptr || r == nullptr) return StatusNullPointer;
    if (!polyIdOk(a) || !polyIdOk(b) || !polyIdOk(q) || !polyIdOk(r)) return StatusContextMismatch;
    if (polySameStorage(q, a) || polySameStorage(q, b) || polySameStorage(r, a) || polySameStorage(r, b) ||
        polySameStorage(q, r))
        return StatusBadArgument;
    if (a->degree - b->degree > q->capacity - 1) return StatusDestinationTooSmall;
    if (quotientDegree(a, b) > q->capacity - 1) return StatusDestinationTooSmall;
    if (b->degree >= r->capacity) return StatusDestinationTooSmall;
    polyDivide(q, r, a, b);
    return StatusOk;
}

VekStatus veksPolyGFMod_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    if (r == nullptr || a == nullptr || b == nullptr) return StatusNullPointer;
    if (!polyIdOk(a) || !polyIdOk(b) || !polyIdOk(r)) return StatusContextMismatch;
    if (polySameStorage(r, a) || polySameStorage(r, b)) return StatusBadArgument;
    if (b->degree >= r->capacity) return StatusDestinationTooSmall;
    polyRemainder(r, a, b);
    return StatusOk;
}

}  // namespace vekdi::poly
