// SPDX-License-Identifier: Apache-2.0
// Extended Euclidean algorithm on x^(r+1) and the modified syndrome
// polynomial, stopped at the first remainder of degree <= delta.
#include <algorithm>
#include <cstring>
#include <utility>

#include "rs/decode.h"

namespace vekdi {
namespace {

struct LogTables {
    const uint8_t* ex;
    const uint8_t* lg;
    unsigned period;
    explicit LogTables(const FieldGF* f) : ex(expTable(f)), lg(logTable(f)), period(f->order - 1) {}
    uint8_t mul(uint8_t a, uint8_t b) const {
        if (a == 0 || b == 0) return 0;
        unsigned s = unsigned(lg[a]) + lg[b];
        if (s >= period) s -= period;
        return ex[s];
    }
};

// Divides `rem` (in place, becomes the remainder) by `div`; the quotient goes
// to q. deg rem >= deg div >= 1, div normalised.
void longDivide(PolyGF* rem, const PolyGF* div, uint8_t* q, const LogTables& t) {
    const int dv = div->degree;
    const unsigned leadLog = t.lg[div->coeffs[dv]];
    uint8_t* a = rem->coeffs;
    for (int i = rem->degree; i >= dv; --i) {
        uint8_t qc = 0;
        if (a[i] != 0) {
            qc = t.ex[(t.lg[a[i]] + t.period - leadLog) % t.period];
            for (int j = 0; j <= dv; ++j) a[i - dv + j] ^= t.mul(qc, div->coeffs[j]);
        }
        q[i - dv] = qc;
    }
    rem->degree = polyNormalDegree(a, dv - 1);
}

// next = q * cur + prev; returns its degree (normalised).
int cofactorStep(uint8_t* next, const uint8_t* q, int qDegree, const uint8_t* cur, int curDegree,
                 const uint8_t* prev, int prevDegree, const LogTables& t) {
    const int top = std::max(qDegree + curDegree, prevDegree);
    std::memset(next, 0, size_t(top + 1));
    std::memcpy(next, prev, size_t(prevDegree + 1));
    for (int i = 0; i <= qDegree; ++i) {
        if (q[i] == 0) continue;
        for (int j = 0; j <= curDegree; ++j) next[i + j] ^= t.mul(q[i], cur[j]);
    }
    return polyNormalDegree(next, top);
}

}  // namespace

void rsEuclid(PolyGF* sigma, PolyGF* omega, PolyGF* t, PolyGF* dividendPoly, int delta) {
    const LogTables tables(t->field);
    PolyGF* dividend = dividendPoly;
    PolyGF* divisor = t;
    uint8_t u[3][256];  // previous, current and next cofactor
    uint8_t* prev = u[0];
    uint8_t* cur = u[1];
    uint8_t* next = u[2];
    int prevDegree = 0, curDegree = 0;
    prev[0] = 0;
    cur[0] = 1;
    while (divisor->degree > delta) {
        const int qDegree = dividend->degree - divisor->degree;
        longDivide(dividend, divisor, sigma->coeffs, tables);
        const int nextDegree = cofactorStep(next, sigma->coeffs, qDegree, cur, curDegree, prev, prevDegree, tables);
        std::swap(dividend, divisor);  // the remainder becomes the divisor
        std::swap(prev, cur);
        std::swap(cur, next);
        prevDegree = curDegree;
        curDegree = nextDegree;
    }
    std::memcpy(omega->coeffs, divisor->coeffs, size_t(divisor->degree + 1));
    omega->degree = divisor->degree;
    std::memcpy(sigma->coeffs, cur, size_t(curDegree + 1));
    sigma->degree = curDegree;
}

}  // namespace vekdi
