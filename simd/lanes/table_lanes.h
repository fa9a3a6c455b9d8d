// SPDX-License-Identifier: Apache-2.0
// The syndromes and the Chien search of the fields of 4 ... 64 elements with
// their logarithm and power tables held in vector registers: every product
// is a byte shuffle of a sum of logarithms, sixteen lanes per instruction.
// Where the machine has a byte shuffle (SSSE3 on x86) the lane policy
// (rs/decode/arith_lanes.h) runs these instead of its bit planes; both give
// the same bytes.
#pragma once

#include <cstdint>

#include "gf/field.h"

namespace vekdi {

struct TableLaneKernels {
    const char* name;
    unsigned requiredFeatures;  // simd::CpuFeature bits
    // The received word as a polynomial, R(x) = sum codeword[n-1-i] x^i for
    // n < order, into `received` (aligned), zero from n to 16*ceil(n/16).
    void (*receive)(uint8_t* received, const uint8_t* codeword, int n);
    // The erasure locator's product: p(x) *= (1 + c x) for each c of
    // cs[0 ... count) in turn (nonzero elements), taken mod x^(cap+1),
    // cap <= 62: p has 16*ceil((cap + 1)/16) coefficients, aligned, zero above
    // its degree, and is written whole.
    void (*mulLinearRun)(uint8_t* p, const uint8_t* cs, int count, int cap, const FieldGF* f);
    // Over the field f (tableLanesFit(f->m)), alpha its primitive element
    // and period = order - 1:
    // The syndrome polynomial: out[0] = 1, out[1 + j] = r(alpha^(firstLog +
    // j)) for j < count, zero from count + 1 to 16*ceil((count + 1)/16); out
    // aligned. r has n < order coefficients (field elements, lowest power
    // first) readable to 16*ceil(n/16) bytes, zero from n; firstLog < period.
    void (*syndromes)(uint8_t* out, const uint8_t* r, int n, unsigned firstLog, int count, const FieldGF* f);
    // The zeros of l (degree >= 1, coefficients field elements) among
    // alpha^j, j = 1 ... period, listed as period - j for ascending j,
    // stopping after `degree` of them; returns their number.
    int (*roots)(uint8_t* out, const uint8_t* l, int degree, const FieldGF* f);
    // The Berlekamp-Massey iteration of rs/decode/berlekamp_massey.h and its
    // evaluator, 1 <= r < order - 1: on entry lambda holds Gamma (degree
    // gammaDegree, the erasure locator) and syndromes S_0 = 1, S_1 ... S_r;
    // on return the first 16*ceil((r + 1)/16) bytes of lambda hold the errata
    // locator and those of omega Lambda S mod x^(r+1), zero above their
    // degrees. lambda, omega and syndromes aligned; the syndromes zero from
    // S_(r+1) to the end of their last group of 16.
    void (*berlekampMassey)(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* syndromes, int r,
                            const FieldGF* f);
    // The extended Euclidean algorithm of rs/decode/euclid.h (rsEuclid) from
    // x^(r+1) and t (degree tDegree <= r, aligned, zero above its degree to
    // 16*ceil((r + 1)/16)): the last cofactor into sigma and the first
    // remainder of degree <= delta into omega, their first 16*ceil((r +
    // 1)/16) bytes, zero above their degrees; both aligned. False, with
    // nothing written, for r > kTableLanesEuclidMax.
    bool (*euclid)(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta, int r, const FieldGF* f);
    // The syndromes of an error pattern: out[j] = sum over i < errata of
    // alpha^(logs[i] + (firstLog + j) exps[i]) for j < count <= 62, with
    // exps[i], logs[i], firstLog < period; out aligned, 16*ceil(count/16) bytes.
    void (*errataSyndromes)(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int errata, unsigned firstLog,
                            int count, const FieldGF* f);
    // aOut[i] = a(alpha^-positions[i]) and bOut[i] = b(alpha^-positions[i])
    // for i < count <= 62 (positions < period, readable to 16*ceil(count/16)
    // bytes); both outputs aligned, 16*ceil(count/16) bytes.
    void (*valuesAtInverses)(uint8_t* aOut, const uint8_t* a, int aDegree, uint8_t* bOut, const uint8_t* b, int bDegree,
                             const uint8_t* positions, int count, const FieldGF* f);
    // The whole decode after the export's checks for a field of at most 16
    // elements (f->m <= kTableLanesWholeMaxM, n = order - 1): the received
    // codeword, s >= 0 validated erasure positions, the syndrome points
    // alpha^(firstLog + j), j < r. The same steps, results and acceptance as
    // the pipeline with the Berlekamp-Massey solver (which the Euclidean one
    // matches): true with the errata applied, or false with the codeword
    // untouched. Writes nothing else.
    bool (*decodeWhole)(uint8_t* codeword, const int* erasures, int s, unsigned firstLog, int r, const FieldGF* f);
};

// The largest field degree decodeWhole takes: n <= 15, one register per polynomial.
constexpr int kTableLanesWholeMaxM = 4;

// The largest redundancy the Euclid kernel takes: its polynomials, up to
// x^(r+1), in one register of 16 lanes.
constexpr int kTableLanesEuclidMax = 14;

// The fields these kernels take: 2^2 ... 2^6 elements.
constexpr bool tableLanesFit(int m) { return m >= 2 && m <= 6; }

// The kernels this machine runs, chosen once; null where it has no byte
// shuffle.
const TableLaneKernels* tableLaneKernels();

#if defined(__x86_64__) || defined(__i386__)
extern const TableLaneKernels tableLanesSsse3;
bool decodeWholeSsse3(uint8_t* codeword, const int* erasures, int s, unsigned firstLog, int r, const FieldGF* f);
#endif

}  // namespace vekdi
