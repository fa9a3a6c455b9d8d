// SPDX-License-Identifier: Apache-2.0
// The batch kernels of the Reed-Solomon codes of vekdi-codes (codes/rs_batch.h
// says what a batch is): the tables they read, built by codes/rs_batch.cpp,
// and the kernels of one instruction set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The AVX-512 kernels exist on 64-bit x86 outside Windows (whose compilers do
// not align 64-byte locals); simd/CMakeLists.txt compiles them under the same
// condition.
#if defined(__x86_64__) && !defined(__ILP32__) && !defined(_WIN32)
#define VEKDI_SIMD_BATCH_AVX512 1
#endif

namespace vekdi::codes {

struct BatchTables {
    int n = 0, k = 0, r = 0;
    // Parity: matrix (i, j) at encode[i * r + j] maps message symbol i to its
    // share of parity symbol j (both the caller's symbols).
    std::vector<uint64_t> encode;
    // Encoding through the syndromes (fields of 256 elements, r <=
    // kMaxDecodeParity, where it takes fewer products than the matrix
    // above). Every root z of g has z^51 = beta^s with beta = alpha^51,
    // s = log z mod 5. The message part R(x)
    // (exponent e = n - 1 - position) is written as sum over u < 51 of
    // x^u P_u(x^51): stage one evaluates every P_u at beta^s, s < 5, with
    // foldPowers[4 (s - 1) + q - 1] multiplying by beta^(s q); stage two
    // gives syndrome z^0 ... z^50 dotted with P_u(beta^s), the roots grouped
    // by s (group s is syndromes foldGroup[s] ... foldGroup[s + 1] - 1,
    // matrix (u, jj) of the group at foldSyndrome[51 foldGroup[s] + u size
    // + jj]); the parity is then foldParity (matrix (j, p) at j r + p), the
    // inverse Vandermonde of the parity positions, applied to the syndromes.
    bool fold = false;
    int foldGroup[6] = {};
    std::vector<uint64_t> foldPowers, foldSyndrome, foldParity;
    // Decoding (fields of 256 elements, n - k <= kMaxDecodeParity): the
    // remainder of a word modulo the generator (its parity recomputed, plus
    // the parity received) has the word's syndromes. Matrix (p, j) at
    // syndrome[p * r + j] maps symbol p of the remainder (the parity
    // position k + p) to its share of syndrome j in the work field;
    // chien[3 * p ...] multiply by X^-1, X^-2 and X^-b for the locator X of
    // codeword position p and first root alpha^b; fromWork maps a value back
    // to the caller's symbols.
    bool decode = false;
    std::vector<uint64_t> syndrome, chien;
    uint64_t fromWork = 0;
};

constexpr int kBatchTile = 64;
constexpr int kMaxDecodeParity = 64;

// The batch kernels of one instruction set.
struct BatchKernels {
    const char* name;
    unsigned requiredFeatures;  // simd::CpuFeature bits
    // codewords = messages, each followed by its parity; words <= 2 kBatchTile.
    void (*encodeTile)(const BatchTables& t, const uint8_t* messages, uint8_t* codewords, int words);
    // Decodes a tile (words <= kBatchTile) in place: lanes whose bit is set in `skip` are not
    // written. For the others, bit w of *clean is set when word w is a
    // codeword, of *fixed when it was corrected here (the word rewritten);
    // changed[w] then lists its changed positions ascending, changedCount[w]
    // their number. Words in neither set are left for the single-word decoder
    // (all of them when fewer than four words need correcting: cheaper so).
    void (*decodeTile)(const BatchTables& t, uint8_t* codewords, int words, uint64_t skip, uint64_t* clean,
                       uint64_t* fixed, uint8_t (*changed)[kMaxDecodeParity / 2], int* changedCount);
};

#if defined(VEKDI_SIMD_BATCH_AVX512)
extern const BatchKernels batchAvx512;  // AVX-512 F and BW with GFNI
#endif

}  // namespace vekdi::codes
