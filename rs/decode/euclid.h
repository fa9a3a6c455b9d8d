// SPDX-License-Identifier: Apache-2.0
// Extended Euclidean algorithm on x^(r+1) and the modified syndrome
// polynomial, stopped at the first remainder of degree <= (s + r) / 2, over
// the vocabulary of an arithmetic policy (see rs/decode/pipeline.h). All
// working polynomials are locals.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "poly/poly.h"
#include "rs/decode/pipeline.h"

namespace vekdi {
namespace euclid {

// Room for degree r + 1 <= 255 plus the whole-group overrun of the vector
// vocabulary; every buffer is zero above its polynomial's degree.
constexpr int kCap = 256 + 32;

// The bytes of a working buffer that a solve with r check symbols touches:
// no polynomial passes degree r + 1, and the vocabulary reads and writes at
// most 15 bytes past a polynomial's top coefficient.
inline int span(int r) { return r16(r + 2) + 32; }

struct Poly {
    uint8_t* c;
    int degree;
};

// rem (in place, becomes the remainder) divided by div; quotient to q.
// deg rem >= deg div >= 1.
template <class A>
void longDivide(const A& a, Poly* rem, const Poly& div, uint8_t* q) {
    const int dv = div.degree;
    const uint8_t leadInverse = a.inverse(div.c[dv]);
    uint8_t* x = rem->c;
    for (int i = rem->degree; i >= dv; --i) {
        uint8_t qc = 0;
        if (x[i] != 0) {
            qc = a.mul(x[i], leadInverse);
            a.mulAddConst(x + i - dv, div.c, dv + 1, qc);
        }
        q[i - dv] = qc;
    }
    rem->degree = polyNormalDegree(x, dv - 1);
}

inline void copyOut(PolyGF* dst, const Poly& src) {
    std::memcpy(dst->coeffs, src.c, size_t(src.degree + 1));
    std::memset(dst->coeffs + src.degree + 1, 0, size_t(dst->capacity - src.degree - 1));
    dst->degree = src.degree;
}

}  // namespace euclid

// sigma = the last cofactor (not normalised to constant 1), omega = the first
// remainder of degree <= delta, starting from x^(r+1) and t. sigma and omega
// have R16(r + 1) coefficients. A policy may run it in one call,
//   euclidRun(sigma, omega, t, tDegree, delta) -> bool,
// writing both areas whole, zero above the degrees; where it declines, the
// steps below run.
template <class A>
void rsEuclid(const A& a, PolyGF* sigma, PolyGF* omega, const PolyGF* t, int delta) {
    using euclid::kCap;
    using euclid::Poly;
    const int r = a.d->n - a.d->k;
    if constexpr (requires { a.euclidRun(sigma->coeffs, omega->coeffs, t->coeffs, t->degree, delta); }) {
        if (a.euclidRun(sigma->coeffs, omega->coeffs, t->coeffs, t->degree, delta)) {
            sigma->degree = polyNormalDegree(sigma->coeffs, r);
            omega->degree = polyNormalDegree(omega->coeffs, r);
            return;
        }
    }
    const int span = euclid::span(r);
    alignas(16) uint8_t pool[6][kCap];
    for (auto& row : pool) std::memset(row, 0, size_t(span));
    Poly dividend{pool[0], r + 1};
    dividend.c[r + 1] = 1;
    Poly divisor{pool[1], t->degree};
    std::memcpy(divisor.c, t->coeffs, size_t(t->degree + 1));
    Poly prev{pool[2], 0}, cur{pool[3], 0}, next{pool[4], 0};
    cur.c[0] = 1;
    uint8_t* q = pool[5];

    while (divisor.degree > delta) {
        const int qDegree = dividend.degree - divisor.degree;
        euclid::longDivide(a, &dividend, divisor, q);
        // next = q * cur + prev
        std::memset(next.c, 0, size_t(span));
        a.polyMul(next.c, cur.c, cur.degree + 1, q, qDegree + 1);
        for (int i = 0; i <= prev.degree; ++i) next.c[i] ^= prev.c[i];
        next.degree = polyNormalDegree(next.c, std::max(qDegree + cur.degree, prev.degree));
        std::swap(dividend, divisor);  // the remainder becomes the divisor
        std::swap(prev, cur);
        std::swap(cur, next);
    }
    euclid::copyOut(omega, divisor);
    euclid::copyOut(sigma, cur);
}

// The solver as the decode pipeline uses it: it works on the modified
// syndromes T = S * Gamma mod x^(r+1) and finds the error locator alone.
struct Euclid {
    static constexpr bool kLocatorHasErasures = false;
    static constexpr bool kChangesSyndromes = true;
    static int syndromeArea(int r, int s) { return r16(s + r + 1); }

    template <class A>
    static void solve(const A& a, PolyGF* locator, PolyGF* omega, PolyGF* syn, const int* erasures, int s) {
        const int r = a.d->n - a.d->k;
        rsErasureLocator(a, syn, erasures, s);
        rsEuclid(a, locator, omega, syn, (s + r) / 2);
    }
};

}  // namespace vekdi
