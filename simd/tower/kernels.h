// SPDX-License-Identifier: Apache-2.0
// The tower-basis vector primitives behind one interface, with one
// implementation per instruction set. Every variant gives the same bytes;
// the portable one is the reference and runs everywhere.
#pragma once

#include <cstdint>
#include <span>

#include "simd/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#define VEKDI_TOWER_X86 1
#endif
#if defined(__aarch64__)
#define VEKDI_TOWER_NEON 1
#endif

namespace vekdi {
struct TowerRecord;
}

namespace vekdi::tower {

// Lengths are in bytes; every loop handles whole groups of 16 elements
// (16*ceil(len/16) bytes) and runs at least once. Buffers documented as
// aligned must start on a 16-byte boundary.
struct TowerKernels {
    const char* name;
    unsigned requiredFeatures;  // simd::CpuFeature bits

    // out[i] = XOR of matrix rows j (lane i mod 16) over the bits j set in
    // in[i]. out, in, matrix aligned; out may equal in.
    void (*convert)(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix);
    // Point blocks (64 bytes per group of 16 elements) of in[0 ... len).
    // Both aligned; in may lie at out + 3*len (the last quarter of out).
    void (*expandPoints)(uint8_t* out, const uint8_t* in, int len);
    // out[j] = polynomial (count >= 1 coefficients, lowest power first) at
    // point j of the aligned point block.
    void (*evalPoly16)(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* block);
    // evalPoly16 over `blocks` consecutive point blocks, results at out + 16*g.
    void (*evalPolyBlocks)(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount);
    // evalPolyBlocks for blocks whose points form a geometric sequence:
    // point i = point 0 * ratio^i over all 16*blockCount points (the caller
    // guarantees it). Same results; the vector variants step whole vectors
    // of points by constant multipliers.
    void (*evalGeometric)(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount,
                          uint8_t ratio);
    // Sum of a[i]*b[i] over i < 16*ceil(len/16); no alignment needed.
    uint8_t (*dot)(const uint8_t* a, const uint8_t* b, int len);
    // out[i] = c*in[i]; no alignment needed.
    void (*mulConst)(uint8_t* out, const uint8_t* in, int len, uint8_t c);
    // inout[i] ^= c*in[i]; no alignment needed.
    void (*mulAddConst)(uint8_t* inout, const uint8_t* in, int len, uint8_t c);
    // out = a(x)*s(x): out zeroed over 16*ceil((aLen + sLen - 1)/16) bytes,
    // then out[j + i] ^= s[j]*a[i] for i < 16*ceil(aLen/16) and every nonzero
    // s[j]. a must be zero from aLen to the next multiple of 16.
    void (*polyMul)(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen);
    // p(x) becomes p(x)*(1 + c*x) over 16*ceil((len + 1)/16) coefficients;
    // p aligned, coefficients above the degree inside those groups zero.
    void (*mulLinear)(uint8_t* p, int len, uint8_t c);

    // Optional (null when the variant has no such kernel): the r parity bytes
    // (1 <= r <= 254, k >= 1) of a systematic Reed-Solomon code over the
    // field GF(256) of a built-in record: parity = the coefficients, highest
    // power first, of M(x) x^r mod g(x) with M(x) = message[0] x^(k-1) + ...
    // + message[k-1]. generator: g_0 ... g_r (monic), whose roots are
    // root * ratio^j for j < r (distinct); everything in the field's basis.
    void (*encodeParity)(uint8_t* parity, const uint8_t* message, int k, int r, const uint8_t* generator,
                         uint8_t root, uint8_t ratio, const TowerRecord& field);

    // Optional: the syndromes of an error pattern in the tower basis,
    // out[j - 1] = XOR over i of towerPow[(logs[i] + (b + j - 1) * exps[i]) mod 255]
    // for j = 1 ... r, with the exponents exps[i] (0 ... 254), the value
    // logarithms logs[i] (0 ... 254) and b (0 ... 254).
    void (*errataSyndromes)(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int count, int b, int r,
                            const uint8_t* towerPow);

    // mulAddConst(inout, in, len, c), then dot(inout, other, dotLen): one
    // step of a key-equation solver in one call.
    uint8_t (*mulAddDot)(uint8_t* inout, const uint8_t* in, int len, uint8_t c, const uint8_t* other, int dotLen);
    // For each c of cs[0 ... count) in turn: degree + 1 becomes the degree,
    // mulLinear(p, degree, c), and the degree is capped at cap (a product
    // taken mod x^(cap + 1) in its first cap + 1 coefficients).
    void (*mulLinearRun)(uint8_t* p, int degree, const uint8_t* cs, int count, int cap);
    // Two polynomials at the same points: outA[i] = a(points[i]) and
    // outB[i] = b(points[i]) for i < 16*ceil(count/16) (aCount, bCount >= 1).
    // work: 64*ceil(count/16) bytes, aligned; points aligned, and may lie in
    // the last quarter of work.
    void (*evalPairAt)(uint8_t* outA, const uint8_t* a, int aCount, uint8_t* outB, const uint8_t* b, int bCount,
                       const uint8_t* points, int count, uint8_t* work);

    // Optional: the whole Berlekamp-Massey iteration of
    // rs/decode/berlekamp_massey.h and its evaluator, for r <=
    // kMaxSolverRedundancy. On entry lambda holds Gamma (degree gammaDegree,
    // the erasure locator) and syndromes S_0 = 1, S_1 ... S_r; on return the
    // first 16*ceil((r + 1)/16) bytes of lambda hold the errata locator and
    // those of omega Lambda S mod x^(r+1), zero above their degrees. False,
    // with nothing written, for a larger r.
    bool (*berlekampMassey)(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* syndromes, int r);
    // Optional: the zeros of a polynomial (count <= 256 coefficients, not
    // all zero) among the points i = 1 ... 255 of the aligned Chien blocks
    // (1024 bytes: gamma^0 ... gamma^255), listed as 255 - i for ascending i;
    // returns their number. out: room for count - 1 bytes.
    int (*chienRoots)(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* chienBlocks);
    // Optional: convert of in read backwards, out[i] = the image of
    // in[len - 1 - i] for i < len, zero from len to 16*ceil(len/16); out
    // aligned, apart from in.
    void (*convertReversed)(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix);
    // Optional: the extended Euclidean algorithm of rs/decode/euclid.h
    // (rsEuclid) from x^(r+1) and t (degree tDegree <= r, zero above it to
    // 16*ceil((r + 1)/16)), for r <= kMaxSolverRedundancy: the last cofactor
    // into sigma and the first remainder of degree <= delta into omega, their
    // first 16*ceil((r + 1)/16) bytes, zero above their degrees. False, with
    // nothing written, for a larger r.
    bool (*euclid)(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta, int r);
    // Optional: the syndromes of a word of 255 bytes, given in the basis that
    // `matrix` (as for convert) takes to the tower basis: out[j] = R(point j)
    // with R(x) = sum word[254 - i] x^i for j < r, the points of ceil(r/16)
    // blocks whose first r form a geometric sequence, point j = point 0 *
    // ratio^j with ratio nonzero (the caller guarantees it). Writes
    // 16*ceil(r/16) bytes, those from r on unspecified; reads the 255 bytes
    // of the word only.
    void (*wordSyndromes)(uint8_t* out, const uint8_t* word, const uint8_t* matrix, const uint8_t* blocks, int r);
};

// The largest redundancy the whole-iteration kernels take: the locator's
// r + 1 coefficients within the 64 lanes they are kept in.
constexpr int kMaxSolverRedundancy = 62;

// Every variant compiled into this build, portable first (the list of
// simd/variants.h).
std::span<const TowerKernels* const> towerVariants();

// Whether the machine can run a variant.
inline bool towerSupported(const TowerKernels& k) { return simd::cpuHas(k.requiredFeatures); }

// The variant this process uses: the last supported one of towerVariants(),
// chosen on first use and never changed.
const TowerKernels& towerActive();

// Individual variants (the x86 ones exist only in x86 builds, the NEON one
// only in aarch64 builds).
extern const TowerKernels towerPortable;
#if defined(VEKDI_TOWER_X86)
extern const TowerKernels towerSsse3;
extern const TowerKernels towerAvx2;
extern const TowerKernels towerGfni;
extern const TowerKernels towerAvx512;
#endif
#if defined(VEKDI_TOWER_NEON)
extern const TowerKernels towerNeon;
#endif

}  // namespace vekdi::tower
