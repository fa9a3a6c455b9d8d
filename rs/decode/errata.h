// SPDX-License-Identifier: Apache-2.0
// The outcome of a decode before it touches the codeword, and the checks that
// decide whether it may be applied (rsAcceptErrata in rs/decode/pipeline.h
// puts them together), so every driver accepts and refuses the same words.
#pragma once

#include <cstdint>

#include "rs/decode/decoder.h"
#include "vekdi.h"

namespace vekdi {

// Nonzero error values found by a decoder: x-exponent d_i (the codeword byte
// is n-1-d_i) and the logarithm of the value Y_i to the base alpha (0 ... q-2).
struct ErrataList {
    uint8_t* exps;
    uint8_t* logs;
    int count;
};

// Flags per x-exponent marking the erasure positions.
struct ErasureMap {
    uint8_t erased[256];
};

// Number of erasures a validated list stands for: 0 for a null list.
inline int rsErasureCount(const int* list, int count) { return list == nullptr ? 0 : count; }

// Marks the positions (0 <= p < n, count >= 0) in `map`, whose flags are
// then valid for x-exponents below n; false when a position is listed twice.
bool rsMarkErasures(ErasureMap* map, const int* list, int count, int n);

// True when the errors outside the erasures (nu) and the erasure count s
// satisfy 2 nu + s <= r.
bool rsErrataWithinRadius(const ErrataList& errata, const ErasureMap& map, int s, int r);

// True when the error pattern has the given syndromes: for j = 1 ... r,
// sum_i pow[(log Y_i + (b + j - 1) d_i) mod (q - 1)] == syndromes[j - 1],
// with `pow` the powers of alpha in the representation of the syndromes
// (the field's own table, or another basis with the same exponents).
bool rsErrataMatchesSyndromes(const ErrataList& errata, const uint8_t* pow, int qMinus1, int b,
                              const uint8_t* syndromes, int r);

// codeword[n-1-d_i] ^= expTable[log Y_i] for every entry.
void rsApplyErrata(uint8_t* codeword, int n, const uint8_t* expTable, const ErrataList& errata);

}  // namespace vekdi
