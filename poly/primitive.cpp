// SPDX-License-Identifier: Apache-2.0
// Primitivity: x must have order exactly 2^n - 1 modulo f, i.e.
// x^(2^n - 1) = 1 and x^((2^n - 1) / p) != 1 for every prime p dividing it.
#include "poly/primitive.h"

#include <bit>

#include "poly/coefficients.h"
#include "poly/exports.h"
#include "poly/working_polys.h"

namespace vekdi {

namespace {

// The largest degree with a prime-divisor row; 2^n - 1 must fit 32 bits.
constexpr int kMaxPrimitiveDegree = 32;

uint32_t groupOrder(int n) { return n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1u; }

bool isOne(const PolyGF* p) { return p->degree == 0 && p->coeffs[0] == 1; }

// Power test, then the divisor tests; 1 when x has order 2^n - 1 modulo f
// (recorded degree n, 1 <= n <= 32). p1 (max degree n), p2 (n), p3 (2n).
int orderOfXTest(const PolyGF* f, PolyGF* p1, PolyGF* p2, PolyGF* p3) {
    const int n = f->degree;
    polySetX(p2);
    polyPowXMod(p1, p2, p3, f, groupOrder(n));
    if (!isOne(p1)) return 0;
    uint32_t exponents[kPrimeDivisorRowMax];
    const int count = primitivityCofactors(n, exponents);
    for (int j = 0; j < count; ++j) {
        polySetX(p2);
        polyPowXMod(p1, p2, p3, f, exponents[j]);
        if (isOne(p1)) return 0;
    }
    return 1;
}

}  // namespace

void polyPowXMod(PolyGF* p1, const PolyGF* p2, PolyGF* p3, const PolyGF* f, uint32_t e) {
    if (e == 0) {
        p1->coeffs[0] = 1;
        p1->degree = 0;
        return;
    }
    polyCopyNormalised(p1, p2);
    for (int k = 30 - std::countl_zero(e); k >= 0; --k) {
        polyMulSchoolbook(p3, p1, p1);
        polyRemainder(p1, p3, f);
        if ((e >> k) & 1u) {
            polyMulSchoolbook(p3, p1, p2);
            polyRemainder(p1, p3, f);
        }
    }
}

int primitivityCofactors(int n, uint32_t out[kPrimeDivisorRowMax]) {
    const uint32_t* row = primeDivisorList(n);
    const int rowCount = primeDivisorCount(n);
    const uint32_t order = groupOrder(n);
    int count = 0;
    for (int j = 1; j < rowCount; ++j) {
        const uint32_t e = order / row[j];
        if (static_cast<int32_t>(e) < n) continue;
        out[count++] = e;
    }
    return count;
}

VekStatus polyPrimitiveTest(const PolyGF* f, int assumeIrreducible, int* result) {
    const int n = f->degree;
    if (n >= 1) {
        const VekStatus status = checkWorkingField(f->field);
        if (status != StatusOk) return status;
    }
    // 2^n - 1 and its prime divisors are known for n <= 32 only.
    if (n < 0 || n > kMaxPrimitiveDegree) return StatusBadArgument;
    if (assumeIrreducible == 1) {
        *result = 1;
    } else {
        const VekStatus status = polyIrreducibleTest(f, result);
        if (status != StatusOk) return status;
        if (*result == 0) return StatusOk;
    }
    if (n == 0) {
        *result = 1;
        return StatusOk;
    }
    // On StatusNoMemory below, *result keeps the 1 written above.
    WorkingPolys work;
    PolyGF* p1 = nullptr;
    PolyGF* p2 = nullptr;
    PolyGF* p3 = nullptr;
    VekStatus status = work.obtain(f->field, n, &p1);
    if (status == StatusOk) status = work.obtain(f->field, n, &p2);
    if (status == StatusOk) status = work.obtain(f->field, 2 * n, &p3);
    if (status != StatusOk) return status;
    *result = orderOfXTest(f, p1, p2, p3);
    return StatusOk;
}

namespace poly {

VekStatus veksPolyGFPrimitive_8u(const VeksPolyGF_8u* f, int assumeIrreducible, int* result) {
    if (f == nullptr || result == nullptr) return StatusNullPointer;
    if (f->id != kPolyId) return StatusContextMismatch;
    return polyPrimitiveTest(f, assumeIrreducible, result);
}

}  // namespace poly

}  // namespace vekdi
