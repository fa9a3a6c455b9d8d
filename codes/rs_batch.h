// SPDX-License-Identifier: Apache-2.0
// Many codewords at once (internal to vekdi-codes).
//
// A tile of up to 64 words is transposed so that each position of the code
// is one 64-byte row holding that position of every word, one word per byte
// lane. Encoding is then a linear map from the k message rows to the n - k
// parity rows, and the syndromes a map from the n rows of received words to
// n - k syndrome rows: every symbol enters through an 8x8 bit matrix (the
// product by a constant, composed with the symbol basis), applied to all 64
// words in one instruction. Words that are not codewords are decoded in the
// lanes too (Berlekamp-Massey, then the search and the error values over the
// code's own n positions); a lane's result is taken only when the corrected
// word is a codeword within the radius, which makes it the one the
// single-word decoder returns. Everything else (words with erasures, lanes
// that fail) goes through the single-word decoder.
//
// The syndromes and the lane decoder work in GF(256) over x^8 + x^4 + x^3 +
// x + 1, where the instruction set multiplies and inverts whole vectors: the
// code's field is carried over by an isomorphism folded into the matrices.
#pragma once

#include <vekdi_codes.h>

#include "simd/batch/batch_kernels.h"

namespace vekdi::codes {

struct Code;

// The kernels this machine runs, chosen once; null where there are none
// (the batch calls then take one word at a time).
const BatchKernels* batchKernels();
// Builds the tables for a validated code.
void buildBatchTables(const Code& code, BatchTables& tables);

}  // namespace vekdi::codes
