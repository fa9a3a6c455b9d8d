// SPDX-License-Identifier: Apache-2.0
// Extended Euclidean algorithm in the tower basis with vector long division
// and cofactor products; all working polynomials are locals.
#include <algorithm>
#include <cstring>
#include <utility>

#include "rs/decode_fast.h"

namespace vekdi {
namespace {

// Room for degree r + 1 <= 255 plus the whole-group overrun of the vector
// primitives; every buffer is zero above its polynomial's degree.
constexpr int kCap = 256 + 32;

struct Poly {
    uint8_t* c;
    int degree;
};

// rem (in place, becomes the remainder) divided by div; quotient to q.
// deg rem >= deg div >= 1.
void longDivide(Poly* rem, const Poly& div, uint8_t* q, const RSDecoder* d, const tower::TowerKernels& k) {
    const int dv = div.degree;
    const unsigned leadLog = d->towerLog[div.c[dv]];
    uint8_t* a = rem->c;
    for (int i = rem->degree; i >= dv; --i) {
        uint8_t qc = 0;
        if (a[i] != 0) {
            qc = d->towerPow[(d->towerLog[a[i]] + 255 - leadLog) % 255];
            k.mulAddConst(a + i - dv, div.c, dv + 1, qc);
        }
        q[i - dv] = qc;
    }
    rem->degree = polyNormalDegree(a, dv - 1);
}

void copyOut(PolyGF* dst, const Poly& src) {
    std::memcpy(dst->coeffs, src.c, size_t(src.degree + 1));
    std::memset(dst->coeffs + src.degree + 1, 0, size_t(dst->capacity - src.degree - 1));
    dst->degree = src.degree;
}

}  // namespace

void rsEuclidFast(PolyGF* sigma, PolyGF* omega, const PolyGF* t, int s, const RSDecoder* d,
                  const tower::TowerKernels& k) {
    const int r = d->n - d->k;
    const int delta = (s + r) / 2;
    alignas(16) uint8_t pool[6][kCap] = {};
    Poly dividend{pool[0], r + 1};
    dividend.c[r + 1] = 1;
    Poly divisor{pool[1], t->degree};
    std::memcpy(divisor.c, t->coeffs, size_t(t->degree + 1));
    Poly prev{pool[2], 0}, cur{pool[3], 0}, next{pool[4], 0};
    cur.c[0] = 1;
    uint8_t* q = pool[5];

    while (divisor.degree > delta) {
        const int qDegree = dividend.degree - divisor.degree;
        longDivide(&dividend, divisor, q, d, k);
        // next = q * cur + prev
        std::memset(next.c, 0, kCap);
        k.polyMul(next.c, cur.c, cur.degree + 1, q, qDegree + 1);
        for (int i = 0; i <= prev.degree; ++i) next.c[i] ^= prev.c[i];
        next.degree = polyNormalDegree(next.c, std::max(qDegree + cur.degree, prev.degree));
        std::swap(dividend, divisor);  // the remainder becomes the divisor
        std::swap(prev, cur);
        std::swap(cur, next);
    }
    copyOut(omega, divisor);
    copyOut(sigma, cur);
}

}  // namespace vekdi
