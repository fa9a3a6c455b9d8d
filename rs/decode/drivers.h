// SPDX-License-Identifier: Apache-2.0
// The decode drivers: the pipeline of rs/decode/pipeline.h with each
// arithmetic policy and each key-equation solver, and the checked entry both
// decode exports share.
//
// Every driver takes (erasures, count, codeword, decoder, buffer) after the
// export's checks have passed; `decoder` is an aligned copy of the context's
// header. It returns StatusOk or StatusDecodeFailure and changes the codeword
// only on StatusOk.
#pragma once

#include <cstdint>

#include "rs/decode/decoder.h"
#include "simd/lanes/table_lanes.h"
#include "simd/tower/kernels.h"
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

using RSDecodeDriver = VekStatus (*)(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d,
                                     uint8_t* buffer);

// The whole body of a decode export: its checks, then `towerDriver` when the
// context carries a tower record, else `laneDriver`.
VekStatus rsDecodeChecked(const int* erasures, int count, uint8_t* codeword, const RSDecoder* decoder,
                          uint8_t* buffer, int (*bufferSize)(int, int), RSDecodeDriver laneDriver,
                          RSDecodeDriver towerDriver);

// Logarithm-table arithmetic: every field (the reference the others are
// tested against).
VekStatus rsDecodeBMGeneric(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);
VekStatus rsDecodeEEGeneric(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);

// The same with syndromes and Chien search sixteen lanes at a time
// (rs/decode/arith_lanes.h): every field, what the exports run without a
// tower record.
VekStatus rsDecodeBMLanes(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);
VekStatus rsDecodeEELanes(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);

// The whole decode of a code over a field of at most 16 elements in one call
// of the table kernels t (TableLaneKernels::decodeWhole), where t is given:
// true with the status in *status, false where t does not take the code. The
// lane drivers run it first.
bool rsDecodeWholeLanes(VekStatus* status, const int* erasures, int count, uint8_t* codeword, const RSDecoder* d,
                        const TableLaneKernels* t);

// Tower kernels ("Fast": GF(256) with a built-in tower record): contexts with
// a tower record, the process's active variant.
VekStatus rsDecodeBMFast(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);
VekStatus rsDecodeEEFast(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer);

// The same with a chosen variant (tests run every variant the machine has).
VekStatus rsDecodeBMFastWith(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer,
                             const tower::TowerKernels& k);
VekStatus rsDecodeEEFastWith(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer,
                             const tower::TowerKernels& k);

}  // namespace vekdi
