// SPDX-License-Identifier: Apache-2.0
// Irreducibility by the distinct-degree test: for i = 1 ... n/2 the stage
// computes h = x^(q^i) mod f and requires gcd(f, h - x) to be a constant.
#include "poly/coefficients.h"
#include "poly/exports.h"
#include "poly/poly.h"
#include "poly/working_polys.h"

namespace vekdi {

namespace {

// dst = h + x, normalised; dst distinct from h.
void sumWithX(PolyGF* dst, const PolyGF* h) {
    const int top = h->degree > 1 ? h->degree : 1;
    for (int i = 0; i <= top; ++i) dst->coeffs[i] = i <= h->degree ? h->coeffs[i] : 0;
    dst->coeffs[1] ^= 1;
    dst->degree = polyNormalDegree(dst->coeffs, top);
}

// Degree of gcd(b, c) by Euclid's algorithm, with b, c and r rotating as the
// dividend, divisor and remainder buffers. All three are overwritten.
int gcdDegree(PolyGF* b, PolyGF* c, PolyGF* r) {
    if (polyIsZero(c)) return polyNormalDegree(b->coeffs, b->degree);
    for (;;) {
        polyRemainder(r, b, c);
        if (polyIsZero(r)) return polyNormalDegree(c->coeffs, c->degree);
        PolyGF* dividend = b;
        b = c;
        c = r;
        r = dividend;
    }
}

// The working objects: w1 (max degree n) the normalised f and a Euclid
// buffer; w2 (n) a Euclid buffer; w3 (2n - 2) the squares before reduction,
// then h + x; w4 (n - 1) h, kept across stages. w4 has one slot fewer than
// the divisor w1 may need: a remainder by a divisor of degree d fills only d
// slots, and one of lower degree than w1 is copied from a square of degree
// below that of w1.
struct IrreducibleWork {
    PolyGF* w1;
    PolyGF* w2;
    PolyGF* w3;
    PolyGF* w4;
};

// 1 when f (recorded degree n >= 2, stages counted from it) is irreducible.
int distinctDegreeTest(const PolyGF* f, const IrreducibleWork& w) {
    const int stages = f->degree / 2;
    const int squarings = w.w1->field->m;  // raises h to the q-th power, q = 2^m
    polySetX(w.w4);
    for (int stage = 1; stage <= stages; ++stage) {
        // w1 served as a Euclid buffer in the previous stage.
        polyCopyNormalised(w.w1, f);
        for (int k = 0; k < squarings; ++k) {
            polyMulSchoolbook(w.w3, w.w4, w.w4);
            polyRemainder(w.w4, w.w3, w.w1);
        }
        sumWithX(w.w3, w.w4);
        if (gcdDegree(w.w3, w.w1, w.w2) != 0) return 0;
    }
    return 1;
}

}  // namespace

VekStatus polyIrreducibleTest(const PolyGF* f, int* result) {
    const int64_t n = f->degree;
    if (n < 2) {
        *result = 1;
        return StatusOk;
    }
    VekStatus status = checkWorkingField(f->field);
    if (status != StatusOk) return status;
    WorkingPolys work;
    IrreducibleWork w{};
    status = work.obtain(f->field, n, &w.w1);
    if (status == StatusOk) status = work.obtain(f->field, n, &w.w2);
    if (status == StatusOk) status = work.obtain(f->field, 2 * n - 2, &w.w3);
    if (status == StatusOk) status = work.obtain(f->field, n - 1, &w.w4);
    if (status != StatusOk) return status;
    *result = distinctDegreeTest(f, w);
    return StatusOk;
}

namespace poly {

VekStatus veksPolyGFIrreducible_8u(const VeksPolyGF_8u* f, int* result) {
    if (f == nullptr || result == nullptr) return StatusNullPointer;
    if (f->id != kPolyId) return StatusContextMismatch;
    return polyIrreducibleTest(f, result);
}

}  // namespace poly

}  // namespace vekdi
