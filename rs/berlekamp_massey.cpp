// SPDX-License-Identifier: Apache-2.0
// Berlekamp-Massey iteration for errors and erasures, seeded with the
// erasure locator.
#include <algorithm>
#include <cstring>

#include "rs/decode.h"

namespace vekdi {
namespace {

struct TableMul {
    const uint8_t* ex;
    const uint8_t* lg;
    unsigned period;

    explicit TableMul(const FieldGF* f) : ex(expTable(f)), lg(logTable(f)), period(f->order - 1) {}
    uint8_t operator()(uint8_t a, uint8_t b) const {
        if (a == 0 || b == 0) return 0;
        unsigned s = unsigned(lg[a]) + lg[b];
        if (s >= period) s -= period;
        return ex[s];
    }
    uint8_t inverse(uint8_t a) const { return ex[(period - lg[a]) % period]; }
};

}  // namespace

void rsBerlekampMassey(PolyGF* lambda, PolyGF* omega, const PolyGF* syn, const RSDecoder* d) {
    const TableMul mul(lambda->field);
    const int r = d->n - d->k;
    const uint8_t* s = syn->coeffs;  // s[t] for t = 0 ... r, s[0] = 1
    uint8_t* lam = lambda->coeffs;

    // Correction polynomial B = x * Gamma. Its degree never exceeds r + 1.
    uint8_t b[256] = {};
    uint8_t saved[256];
    const int gammaDegree = lambda->degree;
    std::memcpy(b + 1, lam, size_t(gammaDegree + 1));
    int bDegree = polyNormalDegree(b, gammaDegree + 1);
    int length = gammaDegree;
    int mark = -1;

    for (int t = gammaDegree + 1; t <= r; ++t) {
        uint8_t delta = 0;
        for (int j = 0; j <= lambda->degree && j <= t; ++j) delta ^= mul(lam[j], s[t - j]);
        if (delta != 0) {
            const int candidate = t - mark - 1;
            const bool grow = length < candidate;
            if (grow) std::memcpy(saved, lam, size_t(lambda->degree + 1));
            const int savedDegree = lambda->degree;
            // lambda += delta * B; deg(delta * B) <= candidate <= r keeps it in capacity.
            for (int i = lambda->degree + 1; i <= bDegree; ++i) lam[i] = 0;
            const int top = std::max(lambda->degree, bDegree);
            for (int i = 0; i <= bDegree; ++i) lam[i] ^= mul(delta, b[i]);
            lambda->degree = polyNormalDegree(lam, top);
            if (grow) {
                const uint8_t inv = mul.inverse(delta);
                for (int i = 0; i <= savedDegree; ++i) b[i] = mul(inv, saved[i]);
                for (int i = savedDegree + 1; i <= bDegree; ++i) b[i] = 0;
                bDegree = polyNormalDegree(b, savedDegree);
                mark = t - length - 1;
                length = candidate;
            }
        }
        std::memmove(b + 1, b, size_t(bDegree + 1));
        b[0] = 0;
        bDegree = polyNormalDegree(b, bDegree + 1);
    }

    // omega = syn * lambda mod x^(r+1)
    const int top = std::min(lambda->degree + syn->degree, r);
    uint8_t* w = omega->coeffs;
    std::memset(w, 0, size_t(top + 1));
    for (int j = 0; j <= lambda->degree; ++j) {
        if (lam[j] == 0) continue;
        for (int i = 0; i <= syn->degree && i + j <= top; ++i) w[i + j] ^= mul(lam[j], s[i]);
    }
    omega->degree = polyNormalDegree(w, top);
}

}  // namespace vekdi
