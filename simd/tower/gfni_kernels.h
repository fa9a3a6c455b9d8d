// SPDX-License-Identifier: Apache-2.0
// The kernels the GFNI variant computes with the Galois-field instructions
// on 256-bit vectors (defined in gfni/, one unit per algorithm), for every
// variant that pairs them with other vector widths. Call only where the CPU
// has AVX2 and GFNI.
#pragma once

#include <cstdint>

#include "simd/tower/kernels.h"

namespace vekdi::tower::gfni {

void convert(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix);
void evalPoly16(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* block);
void evalPolyBlocks(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount);
void evalGeometric(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount,
                   uint8_t ratio);
void encodeParity(uint8_t* parity, const uint8_t* message, int k, int r, const uint8_t* generator, uint8_t root,
                  uint8_t ratio, const TowerRecord& field);
void errataSyndromes(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int count, int b, int r,
                     const uint8_t* towerPow);
uint8_t dot(const uint8_t* a, const uint8_t* b, int len);
uint8_t mulAddDot(uint8_t* inout, const uint8_t* in, int len, uint8_t c, const uint8_t* other, int dotLen);
void evalPairAt(uint8_t* outA, const uint8_t* a, int aCount, uint8_t* outB, const uint8_t* b, int bCount,
                const uint8_t* points, int count, uint8_t* work);
void polyMul(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen);
void mulLinearRun(uint8_t* p, int degree, const uint8_t* cs, int count, int cap);
bool berlekampMassey(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* syndromes, int r);
int chienRoots(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks);
void convertReversed(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix);
bool euclid(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta, int r);
void wordSyndromes(uint8_t* out, const uint8_t* word, const uint8_t* matrix, const uint8_t* blocks, int r);

// k with the kernels above in place of its own.
constexpr TowerKernels withGfniKernels(TowerKernels k) {
    k.convert = convert;
    k.evalPoly16 = evalPoly16;
    k.evalPolyBlocks = evalPolyBlocks;
    k.evalGeometric = evalGeometric;
    k.encodeParity = encodeParity;
    k.errataSyndromes = errataSyndromes;
    k.dot = dot;
    k.mulAddDot = mulAddDot;
    k.evalPairAt = evalPairAt;
    k.polyMul = polyMul;
    k.mulLinearRun = mulLinearRun;
    k.berlekampMassey = berlekampMassey;
    k.chienRoots = chienRoots;
    k.convertReversed = convertReversed;
    k.euclid = euclid;
    k.wordSyndromes = wordSyndromes;
    return k;
}

}  // namespace vekdi::tower::gfni
