// SPDX-License-Identifier: Apache-2.0
// The two errors-and-erasures decoders: argument checks shared by their
// exports, the drivers and their key-equation solvers.
//
// Every driver takes (erasures, count, codeword, decoder, buffer) after the
// export's checks have passed; `decoder` is an aligned copy of the context's
// header. It returns StatusOk or StatusDecodeFailure and changes the codeword
// only on StatusOk, through rsAcceptErrata (rs/errata.h).
#pragma once

#include <cstdint>

#include "poly/poly.h"
#include "rs/decoder.h"
#include "vekdi.h"

namespace vekdi {

// Erasure list rules: a null list or a count of 0 is accepted whatever the
// other values; otherwise 0 <= count <= limit and 0 <= list[i] < n.
bool rsCheckErasures(const int* list, int count, int n, int limit);

// Checks of both decode exports, in order: null codeword, context or buffer;
// the context's identifier; the erasure list; a buffer (of the size
// `bufferSize` reports) overlapping the codeword; received bytes outside the
// field. On success *header holds the context's header.
VekStatus rsCheckDecodeArgs(const int* list, int count, const uint8_t* codeword, const RSDecoder* decoder,
                            const uint8_t* buffer, int (*bufferSize)(int, int), RSDecoder* header);

// A decoding driver (see above).
using RSDecodeDriver = VekStatus (*)(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d,
                                     uint8_t* buffer);

// The whole body of a decode export: its checks, then the table-driven driver
// when the context carries the fast tables, else the generic one.
VekStatus rsDecodeChecked(const int* erasures, int count, uint8_t* codeword, const RSDecoder* decoder,
                          uint8_t* buffer, int (*bufferSize)(int, int), RSDecodeDriver generic, RSDecodeDriver fast);

VekStatus rsDecodeBMGeneric(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);
VekStatus rsDecodeEEGeneric(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);

// Berlekamp-Massey iteration seeded with the erasure locator: on entry lambda
// holds it (1 without erasures), on return the errata locator; omega becomes
// syn * lambda mod x^(r+1). Both have capacity >= r + 1.
void rsBerlekampMassey(PolyGF* lambda, PolyGF* omega, const PolyGF* syn, const RSDecoder* d);

// Extended Euclid on dividend = x^(r+1) and t until the remainder's degree is
// at most delta: sigma = the last cofactor (not normalised to constant 1),
// omega = that remainder. t and dividend are used as working space; sigma
// holds the quotients meanwhile. Capacities: sigma, omega >= r + 1.
void rsEuclid(PolyGF* sigma, PolyGF* omega, PolyGF* t, PolyGF* dividend, int delta);

}  // namespace vekdi
