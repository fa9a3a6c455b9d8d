// SPDX-License-Identifier: Apache-2.0
// Helpers for the polynomial suites: owned polynomial objects with guard
// bytes, random coefficient vectors, and reference polynomial arithmetic on
// plain vectors written from first principles (bit-serial products, long
// division, Horner evaluation), independent of the library's tables.
#pragma once

#include <cstdint>
#include <vector>

#include "poly/poly.h"
#include "tests/support/fields.h"

namespace vekdi::test {

using Coeffs = std::vector<uint8_t>;

// A polynomial object of the size the size query reports, initialised by the
// library, followed by guard bytes. The storage beyond coefficient 0 starts
// out filled with a canary so that stray writes show.
class PolyBox {
public:
    PolyBox(const FieldGF* field, int maxDegree);
    PolyGF* get() { return reinterpret_cast<PolyGF*>(words_.data()); }
    const PolyGF* get() const { return reinterpret_cast<const PolyGF*>(words_.data()); }
    operator PolyGF*() { return get(); }
    PolyGF* operator->() { return get(); }

    // Stores c with degree c.size() - 1 (leading zeros kept).
    void set(const Coeffs& c);
    // Coefficients 0 ... degree as recorded.
    Coeffs coeffs() const;
    int degree() const { return get()->degree; }
    // Every byte of the record and its guard, to compare before and after a
    // call that must write nothing.
    std::vector<uint8_t> bytes() const;
    bool guardIntact() const;

private:
    int size_;
    std::vector<uint64_t> words_;
};

// Field arithmetic from first principles for one test field.
struct RefField {
    int m;
    uint32_t mask;
    explicit RefField(const TestField& f) : m(f.m()), mask(f.mask()) {}
    unsigned order() const { return 1u << m; }
    uint8_t mul(uint8_t a, uint8_t b) const;
    uint8_t inv(uint8_t a) const;  // a != 0
};

// Degree of c with leading zeros dropped (0 for the zero polynomial).
int refDegree(const Coeffs& c);
// c cut to its normalised degree (at least one coefficient).
Coeffs refNormalised(const Coeffs& c);
Coeffs refAdd(const Coeffs& a, const Coeffs& b);
// Schoolbook product, a.size() + b.size() - 1 coefficients (not normalised).
Coeffs refMulPoly(const RefField& f, const Coeffs& a, const Coeffs& b);
// Long division by a divisor that is not zero: quotient and remainder both
// normalised.
void refDivMod(const RefField& f, const Coeffs& a, const Coeffs& b, Coeffs& q, Coeffs& r);
// Horner evaluation.
uint8_t refEval(const RefField& f, const Coeffs& a, uint8_t x);
// True when c is zero throughout.
bool refIsZero(const Coeffs& c);

// Random polynomial of recorded degree `degree` over a field of `order`
// elements. The shape is varied: sometimes zero leading coefficients, sometimes
// sparse, sometimes all zero.
Coeffs randomPoly(int degree, unsigned order);
// A random degree in 0 ... maxDegree, biased towards small ones.
int randomDegree(int maxDegree);

}  // namespace vekdi::test
