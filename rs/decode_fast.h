// SPDX-License-Identifier: Apache-2.0
// The table-driven decoders: the same steps and outcomes as the generic
// ones, computed in the tower basis with sixteen points per vector step.
// Used for contexts that carry the fast tables (decoderHasFastTables).
#pragma once

#include <cstdint>

#include "poly/poly.h"
#include "rs/decoder.h"
#include "rs/tower/kernels.h"
#include "vekdi.h"

namespace vekdi {

// Same arguments and results as rsDecodeBMGeneric / rsDecodeEEGeneric, with
// the process's active vector variant.
VekStatus rsDecodeBMFast(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);
VekStatus rsDecodeEEFast(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);

// The same with a chosen variant (tests run every variant the machine has).
VekStatus rsDecodeBMFastWith(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer,
                             const tower::TowerKernels& k);
VekStatus rsDecodeEEFastWith(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer,
                             const tower::TowerKernels& k);

// Berlekamp-Massey iteration in the tower basis: lambda holds the erasure
// locator on entry (1 without erasures) and the errata locator on return;
// omega = syn * lambda mod x^(r+1). lambda and omega have R16(r + 1)
// coefficients, 16-byte aligned, zero above lambda's degree; syn is zero
// from r + 1 to R16(r + 1).
void rsBerlekampMasseyFast(PolyGF* lambda, PolyGF* omega, const PolyGF* syn, const RSDecoder* d,
                           const tower::TowerKernels& k);

// Extended Euclid in the tower basis on x^(r+1) and t (the modified syndrome
// polynomial), stopped at the first remainder of degree <= (s + r) / 2:
// sigma = the last cofactor, omega = that remainder. sigma and omega have
// R16(r + 1) coefficients.
void rsEuclidFast(PolyGF* sigma, PolyGF* omega, const PolyGF* t, int s, const RSDecoder* d,
                  const tower::TowerKernels& k);

}  // namespace vekdi
