// SPDX-License-Identifier: Apache-2.0
// Berlekamp-Massey iteration in the tower basis: discrepancies as vector dot
// products, vector updates of the locator, inverses through the tower
// logarithm tables.
#include <algorithm>
#include <cstring>

#include "rs/decode_fast.h"

namespace vekdi {
namespace {

struct TowerLogTables {
    const uint8_t* pow;
    const uint8_t* log;
    uint8_t inverse(uint8_t a) const { return pow[255 - log[a]]; }
};

// The correction polynomial B lives in one of two buffers at a pointer that
// moves down by one byte for every multiplication by x; a fresh B starts at
// kBase, leaving room for the at most r + 1 <= 255 shifts that follow.
constexpr int kBase = 256;
constexpr int kSpan = kBase + 256 + 32;

}  // namespace

void rsBerlekampMasseyFast(PolyGF* lambda, PolyGF* omega, const PolyGF* syn, const RSDecoder* d,
                           const tower::TowerKernels& k) {
    const TowerLogTables tt{d->towerPow, d->towerLog};
    const int r = d->n - d->k;
    const uint8_t* s = syn->coeffs;
    uint8_t* lam = lambda->coeffs;
    // Discrepancies as vector dot products of Lambda with the syndromes in
    // reverse order: rev[q] = S_(r-q), zero past q = r, so that
    // sum_j lambda_j S_(t-j) is the dot product with rev + r - t.
    alignas(16) uint8_t rev[256 + 256 + 32] = {};
    for (int q = 0; q <= r; ++q) rev[q] = s[r - q];

    alignas(16) uint8_t store[2][kSpan];
    int current = 0;
    std::memset(store[current], 0, kSpan);
    const int gammaDegree = lambda->degree;
    std::memcpy(store[current] + kBase, lam, size_t(gammaDegree + 1));
    uint8_t* b = store[current] + kBase - 1;  // B = x * Gamma
    int bDegree = polyNormalDegree(b, gammaDegree + 1);
    int length = gammaDegree;
    int mark = -1;

    for (int t = gammaDegree + 1; t <= r; ++t) {
        const uint8_t delta = k.dot(lam, rev + r - t, lambda->degree + 1);
        if (delta != 0) {
            const int candidate = t - mark - 1;
            const bool grow = length < candidate;
            uint8_t* fresh = nullptr;
            const int savedDegree = lambda->degree;
            if (grow) {  // B' = delta^-1 * Lambda, from Lambda before the update
                fresh = store[1 - current] + kBase;
                k.mulConst(fresh, lam, savedDegree + 1, tt.inverse(delta));
                // Later reads of B reach at most 16 bytes past the groups
                // written here, and the bytes below are zeroed one by one
                // as B moves down, so no other byte needs clearing.
                std::memset(fresh + 16 * ((savedDegree + 16) / 16), 0, 32);
            }
            // Lambda += delta * B; deg B <= candidate <= r keeps it inside R16(r + 1).
            const int newTop = std::max(lambda->degree, bDegree);
            k.mulAddConst(lam, b, bDegree + 1, delta);
            lambda->degree = polyNormalDegree(lam, newTop);
            if (grow) {
                current = 1 - current;
                b = fresh;
                bDegree = polyNormalDegree(b, savedDegree);
                mark = t - length - 1;
                length = candidate;
            }
        }
        --b;  // B = x * B
        b[0] = 0;
        bDegree = polyNormalDegree(b, bDegree + 1);
    }

    // omega = syn * lambda mod x^(r+1), one vector pass per nonzero coefficient.
    alignas(16) uint8_t acc[256 + 32] = {};
    for (int j = 0; j <= lambda->degree; ++j)
        if (lam[j] != 0) k.mulAddConst(acc + j, s, r + 1 - j, lam[j]);
    const int top = std::min(lambda->degree + syn->degree, r);
    uint8_t* w = omega->coeffs;
    std::memcpy(w, acc, size_t(top + 1));
    std::memset(w + top + 1, 0, size_t(omega->capacity - top - 1));
    omega->degree = polyNormalDegree(w, top);
}

}  // namespace vekdi
