// SPDX-License-Identifier: Apache-2.0
// One errors-and-erasures decode, written once:
//
//   received word -> syndromes -> erasure map -> key equation (solver)
//   -> Chien search -> errata locator -> Forney's error values -> acceptance
//
// parameterised by an arithmetic policy A (GenericArith: the field's
// logarithm tables, every field; TowerArith: the tower kernels, the GF(256)
// fields with a built-in tower record) and a key-equation solver
// (BerlekampMassey or Euclid). Every step after the syndromes works in the
// policy's domain; only acceptance goes back to the field's own tables.
//
// A policy provides, over its domain (the field itself, or another basis with
// the same exponents of alpha):
//   d                         the decoder header
//   logs                      LogArith of the domain (powers of alpha's image)
//   toDomain(c, len)          field bytes into the domain, in place
//   syndromes(S, R)           S_j = R(root * alpha^(j-1)), j = 1 ... r, S_0 = 1
//   roots(out, L)             x-exponents of L's roots in ascending order of
//                             the root's logarithm; may stop after deg L
//   valuesAtInverses(wv, dv, W, D, positions, count, work)
//                             W and D at X^-1 for each listed x-exponent
//   explains(errata, b, syndromes, r)
//                             whether the errata have exactly these syndromes
// and the vocabulary of the key-equation solvers:
//   mul, inverse              single elements
//   dot, mulConst, mulAddConst, polyMul, mulLinear
//                             runs of elements with the meaning of the tower
//                             kernels (simd/tower/kernels.h). A policy may touch
//                             whole groups of 16 (16*ceil(len/16) bytes), so
//                             every buffer is padded and kept zero above its
//                             polynomial's degree.
// and optionally, where one call does better than several:
//   receive(received, codeword, n) -> bool
//                             rsLoadReceived and toDomain in one pass
//   wordSyndromes(s, codeword) -> bool
//                             the syndromes without R: receive and syndromes
//                             in one call
//   mulAddDot(inout, in, len, c, other, dotLen)
//                             mulAddConst, then dot of the result with other
//   mulLinearRun(p, degree, cs, count, cap)
//                             mulLinear by each of cs, the degree capped at cap
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "poly/poly.h"
#include "rs/decode/decoder.h"
#include "rs/decode/errata.h"
#include "vekdi.h"

namespace vekdi {

// out[i] = in[len-1-i] for i < len; out and in do not overlap.
inline void rsReverseBytes(uint8_t* out, const uint8_t* in, int len) {
    int i = 0;
    for (; i + 8 <= len; i += 8) {  // eight bytes at a time
        uint64_t v;
        std::memcpy(&v, in + len - 8 - i, 8);
        v = __builtin_bswap64(v);
        std::memcpy(out + i, &v, 8);
    }
    for (; i < len; ++i) out[i] = in[len - 1 - i];
}

// R(x) = sum c[n-1-i] x^i into `received`, zero from n up to R16(n).
inline void rsLoadReceived(uint8_t* received, const uint8_t* codeword, int n) {
    rsReverseBytes(received, codeword, n);
    std::memset(received + n, 0, size_t(r16(n) - n));
}

// R(x) from the codeword in the policy's domain.
template <class A>
void rsReceive(const A& a, uint8_t* received, const uint8_t* codeword, int n) {
    if constexpr (requires { a.receive(received, codeword, n); }) {
        if (a.receive(received, codeword, n)) return;
    }
    rsLoadReceived(received, codeword, n);
    a.toDomain(received, n);
}

// The syndromes of the codeword into syn (zero above r on entry): straight
// from the codeword where the policy can, else through R in `received`.
template <class A>
void rsWordSyndromes(const A& a, PolyGF* syn, PolyGF* received, const uint8_t* codeword) {
    if constexpr (requires { a.wordSyndromes(syn, codeword); }) {
        if (a.wordSyndromes(syn, codeword)) return;
    }
    rsReceive(a, received->coeffs, codeword, a.d->n);
    a.syndromes(syn, received);
}

// L *= (1 + X_i x) for each erasure position p_i, X_i = alpha^(n-1-p_i), the
// product taken mod x^(r+1). L's area reaches coefficient R16(r + 1) - 1 and
// beyond its degree d to R16(d + 2) - 1 for every running degree d <= r.
template <class A>
void rsErasureLocator(const A& a, PolyGF* l, const int* positions, int count) {
    if (count == 0) return;
    const RSDecoder* d = a.d;
    const int r = d->n - d->k;
    const int last = r16(r + 1) - 1;
    int degree = l->degree;
    if (last < l->capacity && degree < last) std::memset(l->coeffs + degree + 1, 0, size_t(last - degree));
    if constexpr (requires { a.mulLinearRun(l->coeffs, degree, l->coeffs, count, r); }) {
        uint8_t points[256];
        for (int i = 0; i < count; ++i) points[i] = a.logs.pow[d->n - 1 - positions[i]];
        a.mulLinearRun(l->coeffs, degree, points, count, r);
        degree = std::min(degree + count, r);
    } else {
        for (int i = 0; i < count; ++i) {
            ++degree;
            a.mulLinear(l->coeffs, degree, a.logs.pow[d->n - 1 - positions[i]]);
            degree = std::min(degree, r);
        }
    }
    l->degree = polyNormalDegree(l->coeffs, degree);
}

// mulAddConst(inout, in, len, c) and then dot(inout, other, dotLen), in one
// call where the policy has one.
template <class A>
uint8_t rsMulAddDot(const A& a, uint8_t* inout, const uint8_t* in, int len, uint8_t c, const uint8_t* other,
                    int dotLen) {
    if constexpr (requires { a.mulAddDot(inout, in, len, c, other, dotLen); }) {
        return a.mulAddDot(inout, in, len, c, other, dotLen);
    } else {
        a.mulAddConst(inout, in, len, c);
        return a.dot(inout, other, dotLen);
    }
}

// Forney's formula at each listed x-exponent with D = the derivative of the
// errata locator and W = the evaluator: Y = X^(2-b) W(X^-1) / D(X^-1) with
// root = alpha^b. The nonzero values are appended to `errata` (room for
// `count` entries) as logarithms to the base alpha. Nothing is corrected here.
// Returns the number of positions whose D value is nonzero; a smaller number
// than `count` means some value cannot be formed. scratch: 7*R16(r) bytes,
// 16-byte aligned; count <= r.
template <class A>
int rsErrorValues(const A& a, ErrataList* errata, const PolyGF* dPoly, const PolyGF* w, const uint8_t* positions,
                  int count, uint8_t* scratch) {
    const RSDecoder* d = a.d;
    const unsigned period = a.logs.period;
    const int c = r16(d->n - d->k);
    uint8_t* wValues = scratch + c;
    uint8_t* dValues = scratch + 2 * c;
    a.valuesAtInverses(wValues, dValues, w, dPoly, positions, count, scratch + 3 * c);
    const unsigned b = logTable(d->field)[d->rootPowers[0]];
    const unsigned t = (2 + period - b) % period;  // 2 - b mod (q - 1)
    const uint8_t* log = a.logs.log;
    // The exponents below stay under 2^16 (period <= 255), where x / period
    // is (x * m) >> 32 exactly with m = 2^32 / period rounded up: no division.
    const uint64_t m = (uint64_t(1) << 32) / period + 1;
    int formed = 0;
    for (int i = 0; i < count; ++i) {
        const uint8_t v = dValues[i], wv = wValues[i];
        if (v == 0) continue;
        ++formed;
        if (wv == 0) continue;
        const unsigned e = log[wv] + period - log[v] + t * positions[i];
        errata->exps[errata->count] = positions[i];
        errata->logs[errata->count] = uint8_t(e - unsigned((e * m) >> 32) * period);
        ++errata->count;
    }
    return formed;
}

// The last step of every decode: applies the errata and returns StatusOk only
// when they lie within the decoding radius and explain the syndromes;
// otherwise returns StatusDecodeFailure with the codeword untouched.
//
// Whether they explain the syndromes is found by forming theirs, unless
// lambdaDegree >= 0: the solver's locator Lambda then holds every erratum,
// has that degree L <= r and its L distinct roots are the listed positions
// (Lambda(0) need not be 1), and Omega = Lambda S mod x^(r+1) (S = 1 + S_1 x
// + ...). With Omega_c =
// (Omega - Lambda) / x = Lambda (S_1 + S_2 x + ...) mod x^r, Forney's values
// are the partial fractions of Omega_c / Lambda where deg Omega_c < L, so the
// errata's syndrome series is Omega_c / Lambda and agrees with S up to x^r;
// where deg Omega_c >= L, the errata's own evaluator (degree < L) differs
// from Omega_c below x^r, and so do the syndromes. deg Omega_c < L is
// deg Omega <= L, which is what is checked.
template <class A>
VekStatus rsAcceptErrata(const A& a, uint8_t* codeword, const ErrataList& errata, const ErasureMap& map, int s,
                         const uint8_t* syndromes, int omegaDegree, int lambdaDegree) {
    const RSDecoder* d = a.d;
    const int r = d->n - d->k;
    if (!rsErrataWithinRadius(errata, map, s, r)) return StatusDecodeFailure;
    if (lambdaDegree >= 0) {
        if (omegaDegree > lambdaDegree) return StatusDecodeFailure;
    } else if (!a.explains(errata, logTable(d->field)[d->rootPowers[0]], syndromes, r)) {
        return StatusDecodeFailure;
    }
    rsApplyErrata(codeword, d->n, expTable(d->field), errata);
    return StatusOk;
}

// The whole decode after the export's checks (see rs/decode/drivers.h).
// Buffer: its first 16-byte boundary, then R in R16(n) bytes, the syndrome
// polynomial in Solver::syndromeArea(r, s) bytes, the evaluator and the
// locator in R16(r + 1) bytes each, then 7*R16(r) bytes for the error values.
template <class Solver, class A>
VekStatus rsDecodeWith(const A& a, const int* erasures, int count, uint8_t* codeword, uint8_t* buffer) {
    const RSDecoder* d = a.d;
    const FieldGF* f = d->field;
    const int n = d->n;
    const int r = n - d->k;
    const int s = rsErasureCount(erasures, count);
    const int area = r16(r + 1);
    const int synArea = Solver::syndromeArea(r, s);
    PolyGF received, syn, omega, locator;
    uint8_t* p = alignUp16(buffer);
    polyWrap(&received, f, p, r16(n), n - 1);
    polyWrap(&syn, f, p += r16(n), synArea, 0);
    polyWrap(&omega, f, p += synArea, area, 0);
    polyWrap(&locator, f, p += area, area, 0);
    uint8_t* scratch = p + area;

    std::memset(syn.coeffs, 0, size_t(synArea));
    rsWordSyndromes(a, &syn, &received, codeword);
    if (syn.degree == 0) return StatusOk;

    ErasureMap map;
    if (!rsMarkErasures(&map, erasures, s, n)) return StatusDecodeFailure;
    uint8_t kept[256];
    const uint8_t* syndromes = syn.coeffs + 1;
    if constexpr (Solver::kChangesSyndromes) {
        std::memcpy(kept, syndromes, size_t(r));
        syndromes = kept;
    }
    Solver::solve(a, &locator, &omega, &syn, erasures, s);

    uint8_t positions[256];
    int found;
    if (Solver::kLocatorHasErasures && s > 0 && locator.degree == s) {
        // The iteration keeps Gamma as a factor, Lambda = Gamma * (an error
        // locator, here of degree 0), so Lambda = Gamma: its roots are the
        // erasures (distinct, as marked above) and need no search.
        for (int i = 0; i < s; ++i) positions[i] = uint8_t(n - 1 - erasures[i]);
        found = s;
    } else {
        found = a.roots(positions, &locator);
        if (found != locator.degree) return StatusDecodeFailure;
    }
    int errata = found;
    if constexpr (!Solver::kLocatorHasErasures) {  // the erasures join the error locator
        for (int i = 0; i < s; ++i) positions[found + i] = uint8_t(n - 1 - erasures[i]);
        rsErasureLocator(a, &locator, erasures, s);
        errata += s;
    }
    // The locator now holds every erratum, its roots distinct where the
    // values below can all be formed, and the evaluator is Lambda S mod
    // x^(r+1) (Euclid's: sigma T, T = Gamma S); unless the erasure factors
    // were cut at x^(r+1), acceptance checks degrees (rsAcceptErrata).
    const int lambdaDegree = errata <= r ? locator.degree : -1;
    polyDerivative(&locator, &locator);
    uint8_t exps[256], logs[256];
    ErrataList list{exps, logs, 0};
    if (rsErrorValues(a, &list, &locator, &omega, positions, errata, scratch) != errata) return StatusDecodeFailure;
    return rsAcceptErrata(a, codeword, list, map, s, syndromes, omega.degree, lambdaDegree);
}

}  // namespace vekdi
