// SPDX-License-Identifier: Apache-2.0
// Sum, product, shifts by powers of x and the formal derivative. Each result
// goes to a destination whose capacity is checked against the operands'
// recorded degrees and whose degree is normalised last.
#include <cstdint>

#include "base/slot_byte.h"
#include "poly/coefficients.h"
#include "poly/exports.h"

namespace vekdi {

namespace {

// r[i] = l[i] ^ s[i] for i < count. A plain loop the compiler vectorises; it
// stays correct when r is l or s.
void xorRun(uint8_t* r, const uint8_t* l, const uint8_t* s, int count) {
    for (int i = 0; i < count; ++i) r[i] = static_cast<uint8_t>(l[i] ^ s[i]);
}

}  // namespace

void polyMulSchoolbook(PolyGF* r, const PolyGF* a, const PolyGF* b) {
    const FieldGF* f = a->field;
    const uint8_t* lg = logTable(f);
    const uint8_t* ex = expTable(f);
    const unsigned n = fieldMask(f);
    const int degA = a->degree;
    const int degB = b->degree;
    uint8_t* rc = r->coeffs;
    coeffZero(rc, degA + degB + 1);
    for (int i = 0; i <= degB; ++i) {
        const unsigned bi = b->coeffs[i] & n;
        if (bi == 0) continue;
        const unsigned logB = lg[bi];
        uint8_t* row = rc + i;
        for (int k = 0; k <= degA; ++k) {
            const unsigned ak = a->coeffs[k] & n;
            if (ak == 0) continue;
            unsigned s = logB + lg[ak];
            if (s > n) s -= n;
            row[k] ^= ex[s];
        }
    }
    r->degree = polyNormalDegree(rc, degA + degB);
}

void polyDerivative(PolyGF* r, const PolyGF* a) {
    const int degA = a->degree;
    if (degA == 0) {
        polySetZero(r);
        return;
    }
    for (int j = 0; j < degA; ++j) r->coeffs[j] = (j & 1) == 0 ? a->coeffs[j + 1] : 0;
    r->degree = polyNormalDegree(r->coeffs, degA - 1);
}

}  // namespace vekdi

namespace vekdi::poly {

namespace {

VekStatus checkOperandAndResult(const PolyGF* a, const PolyGF* r) {
    if (a == nullptr || r == nullptr) return StatusNullPointer;
    if (!polyIdOk(a) || !polyIdOk(r)) return StatusContextMismatch;
    return StatusOk;
}

VekStatus checkTwoOperands(const PolyGF* a, const PolyGF* b, const PolyGF* r) {
    if (a == nullptr || b == nullptr || r == nullptr) return StatusNullPointer;
    if (!polyIdOk(a) || !polyIdOk(b) || !polyIdOk(r)) return StatusContextMismatch;
    return StatusOk;
}

}  // namespace

// Also the difference (characteristic 2). The destination may be either
// operand or both.
VekStatus veksPolyGFAdd_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    if (VekStatus st = checkTwoOperands(a, b, r)) return st;
    const PolyGF* longer = b->degree > a->degree ? b : a;
    const PolyGF* shorter = longer == a ? b : a;
    if (longer->degree >= r->capacity) return StatusDestinationTooSmall;
    xorRun(r->coeffs, longer->coeffs, shorter->coeffs, shorter->degree + 1);
    coeffMove(r->coeffs + shorter->degree + 1, longer->coeffs + shorter->degree + 1,
              longer->degree - shorter->degree);
    r->degree = polyNormalDegree(r->coeffs, longer->degree);
    return StatusOk;
}

// The destination is cleared before the operands are read, so it must be a
// third object.
VekStatus veksPolyGFMul_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    if (VekStatus st = checkTwoOperands(a, b, r)) return st;
    if (polySameStorage(r, a) || polySameStorage(r, b)) return StatusBadArgument;
    if (int64_t(a->degree) + b->degree >= r->capacity) return StatusDestinationTooSmall;
    polyMulSchoolbook(r, a, b);
    return StatusOk;
}

// R = A * x^shift; copies from the top down, so R may be A.
VekStatus veksPolyGFShlC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r) {
    if (VekStatus st = checkOperandAndResult(a, r)) return st;
    if (shift < 0) return StatusNegativeShift;
    if (int64_t(a->degree) + shift >= r->capacity) return StatusDestinationTooSmall;
    const int degA = a->degree;
    coeffMove(r->coeffs + shift, a->coeffs, degA + 1);
    coeffZero(r->coeffs, shift);
    r->degree = polyNormalDegree(r->coeffs, degA + shift);
    return StatusOk;
}

// R = A div x^shift (terms below x^shift dropped); R may be A.
VekStatus veksPolyGFShrC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r) {
    if (VekStatus st = checkOperandAndResult(a, r)) return st;
    if (shift < 0) return StatusNegativeShift;
    const int degA = a->degree;
    if (degA - shift >= r->capacity) return StatusDestinationTooSmall;
    if (degA < shift) {
        polySetZero(r);
        return StatusOk;
    }
    coeffMove(r->coeffs, a->coeffs + shift, degA - shift + 1);
    r->degree = polyNormalDegree(r->coeffs, degA - shift);
    return StatusOk;
}

// R = A'. In characteristic 2 the coefficient of x^j is A[j+1] for even j and
// 0 for odd j. Each slot is read before it is written, so R may be A.
VekStatus veksPolyGFDerive_8u(const VeksPolyGF_8u* a, VeksPolyGF_8u* r) {
    if (VekStatus st = checkOperandAndResult(a, r)) return st;
    const int degA = a->degree;
    if (degA > r->capacity) return StatusDestinationTooSmall;
    polyDerivative(r, a);
    return StatusOk;
}

// A(x) by Horner's rule from the recorded leading coefficient.
VekStatus veksPolyGFValue_8u(const VeksPolyGF_8u* a, uint8_t x, uint8_t* valueOut) {
    x = slotByte(x);
    if (a == nullptr || valueOut == nullptr) return StatusNullPointer;
    if (!polyIdOk(a)) return StatusContextMismatch;
    const FieldGF* f = a->field;
    if (x >= f->order) return StatusOutOfRange;
    const uint8_t* c = a->coeffs;
    unsigned v = c[a->degree];
    for (int i = a->degree - 1; i >= 0; --i) v = c[i] ^ gfMulTable(f, v, x);
    *valueOut = static_cast<uint8_t>(v);
    return StatusOk;
}

}  // namespace vekdi::poly
