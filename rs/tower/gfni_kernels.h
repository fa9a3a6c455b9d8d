// SPDX-License-Identifier: Apache-2.0
// The kernels the GFNI variant computes with the Galois-field instructions
// on 256-bit vectors (defined in variant_gfni.cpp), for every variant that
// pairs them with other vector widths. Call only where the CPU has AVX2 and
// GFNI.
#pragma once

#include <cstdint>

#include "rs/tower/kernels.h"

namespace vekdi::tower::gfni {

void convert(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix);
void evalPoly16(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* block);
void evalPolyBlocks(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount);
void evalGeometric(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount,
                   uint8_t ratio);
void encodeParity(uint8_t* parity, const uint8_t* message, int k, int r, const uint8_t* generator, uint8_t root,
                  uint8_t ratio, const FastTableRecord& field);
void errataSyndromes(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int count, int b, int r,
                     const uint8_t* towerPow);

// k with the kernels above in place of its own.
constexpr TowerKernels withGfniKernels(TowerKernels k) {
    k.convert = convert;
    k.evalPoly16 = evalPoly16;
    k.evalPolyBlocks = evalPolyBlocks;
    k.evalGeometric = evalGeometric;
    k.encodeParity = encodeParity;
    k.errataSyndromes = errataSyndromes;
    return k;
}

}  // namespace vekdi::tower::gfni
