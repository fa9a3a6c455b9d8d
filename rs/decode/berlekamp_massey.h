// SPDX-License-Identifier: Apache-2.0
// Berlekamp-Massey iteration for errors and erasures, seeded with the
// erasure locator, over the vocabulary of an arithmetic policy (see
// rs/decode/pipeline.h): discrepancies as dot products, updates of the
// locator as multiply-adds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "poly/poly.h"
#include "rs/decode/pipeline.h"

namespace vekdi {

// The iteration alone: lambda from the erasure locator to the errata
// locator, one policy call or two per step (see rsBerlekampMassey).
template <class A>
void rsBerlekampMasseySteps(const A& a, PolyGF* lambda, const PolyGF* syn) {
    const int r = a.d->n - a.d->k;
    const uint8_t* s = syn->coeffs;  // s[t] for t = 0 ... r, s[0] = 1
    uint8_t* lam = lambda->coeffs;
    // Discrepancies as dot products of Lambda with the syndromes in reverse
    // order: rev[q] = S_(r-q), zero past q = r, so that sum_j lambda_j S_(t-j)
    // is the dot product with rev + r - t.
    // A read starts at most r - 1 bytes in and spans the groups of Lambda's
    // degree + 1 <= r + 1 coefficients, so r + 16 zeros past S_0 suffice.
    alignas(16) uint8_t rev[256 + 256 + 32];
    rsReverseBytes(rev, s, r + 1);
    std::memset(rev + r + 1, 0, size_t(r + 16));

    // The correction polynomial B lives in one of two buffers at a pointer
    // that moves down by one byte for every multiplication by x; a fresh B
    // starts at kBase, leaving room for the at most r + 1 <= 255 shifts.
    constexpr int kBase = 256;
    constexpr int kSpan = kBase + 256 + 32;
    // Reads of B reach at most 16 bytes past the group of its top
    // coefficient, which stays in place as B moves down, and the bytes below
    // are zeroed one by one as it moves, so only the bytes above need clearing.
    alignas(16) uint8_t store[2][kSpan];
    int current = 0;
    const int gammaDegree = lambda->degree;
    // Zero from B's constant term to where a fresh B's reads end (see below).
    std::memset(store[current] + kBase - 1, 0, size_t(16 * ((gammaDegree + 16) / 16) + 33));
    std::memcpy(store[current] + kBase, lam, size_t(gammaDegree + 1));
    std::memset(store[current] + kBase + gammaDegree + 1, 0, 32);
    store[current][kBase - 1] = 0;
    uint8_t* b = store[current] + kBase - 1;  // B = x * Gamma
    int bDegree = polyNormalDegree(b, gammaDegree + 1);
    int length = gammaDegree;
    int mark = -1;

    // Each step's update of Lambda comes with the next step's discrepancy.
    uint8_t delta = gammaDegree < r ? a.dot(lam, rev + r - gammaDegree - 1, gammaDegree + 1) : 0;
    for (int t = gammaDegree + 1; t <= r; ++t) {
        uint8_t next = 0;
        if (delta == 0) {
            if (t < r) next = a.dot(lam, rev + r - t - 1, lambda->degree + 1);
        } else {
            const int candidate = t - mark - 1;
            const bool grow = length < candidate;
            uint8_t* fresh = nullptr;
            const int savedDegree = lambda->degree;
            if (grow) {  // B' = delta^-1 * Lambda, from Lambda before the update
                fresh = store[1 - current] + kBase;
                a.mulConst(fresh, lam, savedDegree + 1, a.inverse(delta));
                // Cleared as far as later reads of B reach: 16 bytes past
                // the group of its top coefficient (see above).
                const int end = 16 * ((savedDegree + 16) / 16) + 32;
                std::memset(fresh + savedDegree + 1, 0, size_t(end - savedDegree - 1));
            }
            // Lambda += delta * B; deg B <= candidate <= r keeps it inside R16(r + 1).
            const int newTop = std::max(savedDegree, bDegree);  // locals: the record is packed
            if (t < r)
                next = rsMulAddDot(a, lam, b, bDegree + 1, delta, rev + r - t - 1, newTop + 1);
            else
                a.mulAddConst(lam, b, bDegree + 1, delta);
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
        delta = next;
    }
}

// On entry lambda holds the erasure locator (1 without erasures), on return
// the errata locator; omega becomes syn * lambda mod x^(r+1). lambda and
// omega have R16(r + 1) coefficients, 16-byte aligned, zero above lambda's
// degree; syn is zero from r + 1 to R16(r + 1).
//
// A policy may do both in one call,
//   berlekampMasseyRun(lambda, omega, gammaDegree, syndromes, r) -> bool,
// with the same results; where it declines, the steps above run.
template <class A>
void rsBerlekampMassey(const A& a, PolyGF* lambda, PolyGF* omega, const PolyGF* syn) {
    const int r = a.d->n - a.d->k;
    if constexpr (requires { a.berlekampMasseyRun(lambda->coeffs, omega->coeffs, 0, syn->coeffs, r); }) {
        if (a.berlekampMasseyRun(lambda->coeffs, omega->coeffs, lambda->degree, syn->coeffs, r)) {
            lambda->degree = polyNormalDegree(lambda->coeffs, r);
            omega->degree = polyNormalDegree(omega->coeffs, r);
            return;
        }
    }
    rsBerlekampMasseySteps(a, lambda, syn);
    const uint8_t* s = syn->coeffs;
    const uint8_t* lam = lambda->coeffs;

    // omega = syn * lambda mod x^(r+1): the whole product in one call (the
    // policy zeroes what it writes; the groups it reads past are cleared here).
    alignas(16) uint8_t acc[256 + 256 + 48];
    const int lamCount = std::max(lambda->degree, 0) + 1;  // Lambda(0) = 1: never negative
    std::memset(acc, 0, size_t(r16(r + 1) + r16(lamCount) + 16));
    a.polyMul(acc, s, r + 1, lam, lamCount);
    const int top = std::min(lambda->degree + syn->degree, r);
    uint8_t* w = omega->coeffs;
    std::memcpy(w, acc, size_t(top + 1));
    std::memset(w + top + 1, 0, size_t(omega->capacity - top - 1));
    omega->degree = polyNormalDegree(w, top);
}

// The solver as the decode pipeline uses it: the locator it finds already
// holds the erasures.
struct BerlekampMassey {
    static constexpr bool kLocatorHasErasures = true;
    static constexpr bool kChangesSyndromes = false;
    static int syndromeArea(int r, int) { return r16(r + 1); }

    template <class A>
    static void solve(const A& a, PolyGF* locator, PolyGF* omega, PolyGF* syn, const int* erasures, int s) {
        std::memset(locator->coeffs, 0, size_t(locator->capacity));
        locator->coeffs[0] = 1;
        locator->degree = 0;
        rsErasureLocator(a, locator, erasures, s);
        rsBerlekampMassey(a, locator, omega, syn);
    }
};

}  // namespace vekdi
