// SPDX-License-Identifier: Apache-2.0
// The batch kernels of batch_kernels.h with AVX-512 (F, BW) and GFNI:
// compiled with those flags alone and called only where the CPU has them.
#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "simd/batch/batch_kernels.h"
#include "simd/cpu_features.h"
#include "simd/gfni_operand.h"

namespace vekdi::codes {

namespace {

using V = __m512i;

constexpr uint64_t kIdentity = 0x0102040810204080ull;  // the identity in GF2P8AFFINEQB's layout

inline V apply(V x, uint64_t matrix) { return _mm512_gf2p8affine_epi64_epi8(x, gfniMatrix512(matrix), 0); }
inline V mul(V a, V b) { return _mm512_gf2p8mul_epi8(a, b); }
inline V inverse(V a) { return _mm512_gf2p8affineinv_epi64_epi8(a, gfniMatrix512(kIdentity), 0); }
constexpr int kMinDirtyLanes = 4;

inline uint64_t laneMask(int lanes) { return lanes >= 64 ? ~uint64_t(0) : (uint64_t(1) << lanes) - 1; }

// Transposes the 8x8 matrix of qwords a[row].q[col].
inline void transposeQwords(V* a) {
    alignas(64) static constexpr int64_t kIndex[3][2][8] = {
        {{0, 8, 2, 10, 4, 12, 6, 14}, {1, 9, 3, 11, 5, 13, 7, 15}},
        {{0, 1, 8, 9, 4, 5, 12, 13}, {2, 3, 10, 11, 6, 7, 14, 15}},
        {{0, 1, 2, 3, 8, 9, 10, 11}, {4, 5, 6, 7, 12, 13, 14, 15}},
    };
    // Stage s swaps bit s of the row and column indices: for rows i (bit
    // clear) and i | s, row i takes row i|s's columns with the bit clear
    // into its columns with the bit set, and the other way round.
    for (int stage = 0; stage < 3; ++stage) {
        const int s = 1 << stage;
        const V lo = _mm512_load_si512(kIndex[stage][0]), hi = _mm512_load_si512(kIndex[stage][1]);
        for (int i = 0; i < 8; ++i) {
            if (i & s) continue;
            const V x = a[i], y = a[i | s];
            a[i] = _mm512_permutex2var_epi64(x, lo, y);
            a[i | s] = _mm512_permutex2var_epi64(x, hi, y);
        }
    }
}

// Rows a[0 ... 7] of 64 bytes become eight registers of qwords, each qword
// one column (byte position) x of all eight rows, row i in byte i: three
// rounds of interleaving bytes, pairs and quads inside each 128-bit lane.
// Register m holds in qword q the column 16 (q / 2) + 2 m + q % 2.
inline void interleaveRows(V* a) {
    V b[8], c[8];
    for (int k = 0; k < 4; ++k) {
        b[2 * k] = _mm512_unpacklo_epi8(a[2 * k], a[2 * k + 1]);
        b[2 * k + 1] = _mm512_unpackhi_epi8(a[2 * k], a[2 * k + 1]);
    }
    // c[4 Q + 2 hh + h]: rows 4Q ... 4Q+3, columns 8h + 4hh + e within the lane
    for (int q = 0; q < 2; ++q)
        for (int h = 0; h < 2; ++h) {
            c[4 * q + h] = _mm512_unpacklo_epi16(b[4 * q + h], b[4 * q + 2 + h]);
            c[4 * q + 2 + h] = _mm512_unpackhi_epi16(b[4 * q + h], b[4 * q + 2 + h]);
        }
    // a[4h + 2hh + hhh]: all rows, columns 8h + 4hh + 2hhh + e within the lane
    for (int h = 0; h < 2; ++h)
        for (int hh = 0; hh < 2; ++hh) {
            // (the masked forms: GCC 12 warns about the plain ones' undefined pass-through)
            const V x = c[2 * hh + h], y = c[4 + 2 * hh + h];
            a[4 * h + 2 * hh] = _mm512_mask_unpacklo_epi32(x, 0xFFFF, x, y);
            a[4 * h + 2 * hh + 1] = _mm512_mask_unpackhi_epi32(x, 0xFFFF, x, y);
        }
}

// dst row c, byte r = src row r, byte c, for r < rows, c < cols (both <= 64):
// cols rows of `rows` bytes are written. copy (may be null) gets the source
// rows as they are, copyStride bytes apart.
void transposeBlock(const uint8_t* src, std::size_t srcStride, int rows, int cols, uint8_t* dst, std::size_t dstStride,
                    uint8_t* copy = nullptr, std::size_t copyStride = 0) {
    V s[8][8];
    const __mmask64 colMask = laneMask(cols), rowMask = laneMask(rows);
    for (int g = 0; g < 8; ++g) {
        if (8 * g >= rows) {
            for (int m = 0; m < 8; ++m) s[g][m] = _mm512_setzero_si512();
            continue;
        }
        V* a = s[g];
        for (int i = 0; i < 8; ++i) {
            const int row = 8 * g + i;
            a[i] = row < rows ? _mm512_maskz_loadu_epi8(colMask, src + static_cast<std::size_t>(row) * srcStride)
                              : _mm512_setzero_si512();
            if (copy != nullptr && row < rows)
                _mm512_mask_storeu_epi8(copy + static_cast<std::size_t>(row) * copyStride, colMask, a[i]);
        }
        interleaveRows(a);
    }
    // Register m of every group: qword q holds column 16 (q / 2) + 2 m + q % 2
    // of rows 8g ... 8g + 7; gathering qword q of each group gives that column.
    for (int m = 0; m < 8; ++m) {
        V a[8];
        for (int g = 0; g < 8; ++g) a[g] = s[g][m];
        transposeQwords(a);
        for (int q = 0; q < 8; ++q) {
            const int column = 16 * (q / 2) + 2 * m + q % 2;
            if (column < cols)
                _mm512_mask_storeu_epi8(dst + static_cast<std::size_t>(column) * dstStride, rowMask, a[q]);
        }
    }
}

// `count` rows of 64 words from `words` (stride bytes apart) into rows, and
// the words' first count bytes into copy (copyStride apart) where not null.
void toRows(const uint8_t* words, std::size_t stride, int lanes, int count, V* rows, uint8_t* copy = nullptr,
            std::size_t copyStride = 0) {
    for (int c = 0; c < count; c += 64)
        transposeBlock(words + c, stride, lanes, std::min(64, count - c), reinterpret_cast<uint8_t*>(rows + c), 64,
                       copy ? copy + c : nullptr, copyStride);
}

void fromRows(const V* rows, int count, int lanes, uint8_t* words, std::size_t stride) {
    for (int c = 0; c < count; c += 64)
        transposeBlock(reinterpret_cast<const uint8_t*>(rows + c), 64, std::min(64, count - c), lanes, words + c, stride);
}

// out[j] = sum over i < count of matrix (i, j0 + j) applied to rows[i], j < J.
template <int J>
void dotBlock(const V* rows, int count, const uint64_t* matrices, int stride, int j0, V* out) {
    V acc[J];
    for (int j = 0; j < J; ++j) acc[j] = _mm512_setzero_si512();
    int i = 0;
    for (; i + 2 <= count; i += 2) {  // two rows a step: one three-way XOR per output
        const V x = _mm512_load_si512(rows + i), y = _mm512_load_si512(rows + i + 1);
        const uint64_t* m = matrices + static_cast<std::size_t>(i) * stride + j0;
        for (int j = 0; j < J; ++j)
            acc[j] = _mm512_ternarylogic_epi64(acc[j], apply(x, m[j]), apply(y, m[j + stride]), 0x96);
    }
    if (i < count) {
        const V x = _mm512_load_si512(rows + i);
        const uint64_t* m = matrices + static_cast<std::size_t>(i) * stride + j0;
        for (int j = 0; j < J; ++j) acc[j] = _mm512_xor_si512(acc[j], apply(x, m[j]));
    }
    for (int j = 0; j < J; ++j) out[j] = acc[j];
}

// out[j] for every j < outputs: blocks of 16 outputs keep their sums in registers.
void dot(const V* rows, int count, const uint64_t* matrices, int outputs, V* out) {
    int j0 = 0;
    for (; j0 + 16 <= outputs; j0 += 16) dotBlock<16>(rows, count, matrices, outputs, j0, out + j0);
    switch (outputs - j0) {
#define VEKDI_DOT_CASE(J) \
    case J: dotBlock<J>(rows, count, matrices, outputs, j0, out + j0); break;
        VEKDI_DOT_CASE(1) VEKDI_DOT_CASE(2) VEKDI_DOT_CASE(3) VEKDI_DOT_CASE(4) VEKDI_DOT_CASE(5)
        VEKDI_DOT_CASE(6) VEKDI_DOT_CASE(7) VEKDI_DOT_CASE(8) VEKDI_DOT_CASE(9) VEKDI_DOT_CASE(10)
        VEKDI_DOT_CASE(11) VEKDI_DOT_CASE(12) VEKDI_DOT_CASE(13) VEKDI_DOT_CASE(14) VEKDI_DOT_CASE(15)
#undef VEKDI_DOT_CASE
    default: break;
    }
}

// dot for two tiles at once, each matrix broadcast once for both: blocks of
// eight outputs per tile keep their sums in registers.
template <int J>
void dotBlock2(const V* a, const V* b, int count, const uint64_t* matrices, int stride, int j0, V* outA, V* outB) {
    V accA[J], accB[J];
    for (int j = 0; j < J; ++j) accA[j] = accB[j] = _mm512_setzero_si512();
    int i = 0;
    for (; i + 2 <= count; i += 2) {
        const V xa = _mm512_load_si512(a + i), ya = _mm512_load_si512(a + i + 1);
        const V xb = _mm512_load_si512(b + i), yb = _mm512_load_si512(b + i + 1);
        const uint64_t* m = matrices + static_cast<std::size_t>(i) * stride + j0;
        for (int j = 0; j < J; ++j) {
            const V mx = gfniMatrix512(m[j]);
            const V my = gfniMatrix512(m[j + stride]);
            accA[j] = _mm512_ternarylogic_epi64(accA[j], _mm512_gf2p8affine_epi64_epi8(xa, mx, 0),
                                                _mm512_gf2p8affine_epi64_epi8(ya, my, 0), 0x96);
            accB[j] = _mm512_ternarylogic_epi64(accB[j], _mm512_gf2p8affine_epi64_epi8(xb, mx, 0),
                                                _mm512_gf2p8affine_epi64_epi8(yb, my, 0), 0x96);
        }
    }
    if (i < count) {
        const V xa = _mm512_load_si512(a + i), xb = _mm512_load_si512(b + i);
        const uint64_t* m = matrices + static_cast<std::size_t>(i) * stride + j0;
        for (int j = 0; j < J; ++j) {
            accA[j] = _mm512_xor_si512(accA[j], apply(xa, m[j]));
            accB[j] = _mm512_xor_si512(accB[j], apply(xb, m[j]));
        }
    }
    for (int j = 0; j < J; ++j) {
        outA[j] = accA[j];
        outB[j] = accB[j];
    }
}

void dot2(const V* a, const V* b, int count, const uint64_t* matrices, int outputs, V* outA, V* outB) {
    int j0 = 0;
    for (; j0 + 8 <= outputs; j0 += 8) dotBlock2<8>(a, b, count, matrices, outputs, j0, outA + j0, outB + j0);
    switch (outputs - j0) {
#define VEKDI_DOT2_CASE(J) \
    case J: dotBlock2<J>(a, b, count, matrices, outputs, j0, outA + j0, outB + j0); break;
        VEKDI_DOT2_CASE(1) VEKDI_DOT2_CASE(2) VEKDI_DOT2_CASE(3) VEKDI_DOT2_CASE(4) VEKDI_DOT2_CASE(5)
        VEKDI_DOT2_CASE(6) VEKDI_DOT2_CASE(7)
#undef VEKDI_DOT2_CASE
    default: break;
    }
}

// Lanes whose syndromes are all zero.
uint64_t zeroLanes(const V* syndromes, int r) {
    V any = _mm512_setzero_si512();
    for (int j = 0; j < r; ++j) any = _mm512_or_si512(any, syndromes[j]);
    return _mm512_testn_epi8_mask(any, any);
}

// Berlekamp-Massey in every lane at once over r syndromes, locators cut
// after degree t (a lane whose length stays within t never has more). Leaves
// lambda[0 ... t] and the length per lane.
void locators(const V* syn, int r, int t, V* lambda, V* length) {
    V shifted[kMaxDecodeParity / 2 + 1];  // x^m B of the textbook form, advanced every step
    for (int i = 0; i <= t; ++i) lambda[i] = shifted[i] = _mm512_setzero_si512();
    const V one = _mm512_set1_epi8(1);
    lambda[0] = one;
    shifted[1] = one;
    V len = _mm512_setzero_si512(), last = one;  // last: the discrepancy of the last length change
    for (int k = 0; k < r; ++k) {
        V d = _mm512_setzero_si512();
        for (int i = 0; i <= std::min(k, t); ++i) d = _mm512_xor_si512(d, mul(lambda[i], syn[k - i]));
        const __mmask64 grow = _mm512_test_epi8_mask(d, d) & _mm512_cmple_epu8_mask(len, _mm512_set1_epi8(static_cast<char>(k >> 1)));
        const V c = mul(d, inverse(last));
        for (int i = t; i > 0; --i) {
            const V old = lambda[i];
            lambda[i] = _mm512_xor_si512(old, mul(c, shifted[i]));
            shifted[i] = _mm512_mask_mov_epi8(shifted[i - 1], grow, lambda[i - 1]);
        }
        lambda[0] = _mm512_xor_si512(lambda[0], mul(c, shifted[0]));
        shifted[0] = _mm512_setzero_si512();
        len = _mm512_mask_sub_epi8(len, grow, _mm512_set1_epi8(static_cast<char>(k + 1)), len);
        last = _mm512_mask_mov_epi8(last, grow, d);
    }
    *length = len;
}

// Stage one of the syndrome form (BatchTables::fold): values[s][u] =
// P_u(beta^s), P_u holding the message symbols of exponents u + 51 q.
void foldValues(const BatchTables& t, const V* rows, V (*values)[51]) {
    V powers[16];
    for (int i = 0; i < 16; ++i) powers[i] = gfniMatrix512(t.foldPowers[static_cast<std::size_t>(i)]);
    const int n = t.n, r = t.r;
    for (int u = 0; u < 51; ++u) {
        V acc[5];
        for (V& a : acc) a = _mm512_setzero_si512();
        for (int q = 0; q < 5; ++q) {
            const int e = u + 51 * q;
            if (e < r || e >= n) continue;
            const V x = _mm512_load_si512(rows + (n - 1 - e));
            acc[0] = _mm512_xor_si512(acc[0], x);
            for (int s = 1; s < 5; ++s)
                acc[s] = _mm512_xor_si512(acc[s], q == 0 ? x : _mm512_gf2p8affine_epi64_epi8(x, powers[4 * (s - 1) + q - 1], 0));
        }
        for (int s = 0; s < 5; ++s) values[s][u] = acc[s];
    }
}

// The parity of one tile (b null) or two through the syndrome form.
void foldParity(const BatchTables& t, const V* a, const V* b, V* parityA, V* parityB) {
    alignas(64) V values[2][5][51], syn[2][kMaxDecodeParity];
    foldValues(t, a, values[0]);
    if (b != nullptr) foldValues(t, b, values[1]);
    for (int s = 0; s < 5; ++s) {
        const int first = t.foldGroup[s], size = t.foldGroup[s + 1] - first;
        if (size == 0) continue;
        const uint64_t* m = t.foldSyndrome.data() + 51 * static_cast<std::size_t>(first);
        if (b == nullptr) dot(values[0][s], 51, m, size, syn[0] + first);
        else dot2(values[0][s], values[1][s], 51, m, size, syn[0] + first, syn[1] + first);
    }
    if (b == nullptr) dot(syn[0], t.r, t.foldParity.data(), t.r, parityA);
    else dot2(syn[0], syn[1], t.r, t.foldParity.data(), t.r, parityA, parityB);
}

// The remainder of every word modulo the generator (the parity the message
// calls for, plus the parity received) into rem; returns the lanes where it
// is zero: the codewords.
uint64_t remainderLanes(const BatchTables& t, const V* rows, V* rem) {
    if (t.fold) foldParity(t, rows, nullptr, rem, nullptr);
    else dot(rows, t.k, t.encode.data(), t.r, rem);
    for (int j = 0; j < t.r; ++j) rem[j] = _mm512_xor_si512(rem[j], rows[t.k + j]);
    return zeroLanes(rem, t.r);
}

void encodeTile(const BatchTables& t, const uint8_t* messages, uint8_t* codewords, int words) {
    const std::size_t k = static_cast<std::size_t>(t.k), n = static_cast<std::size_t>(t.n);
    if (words <= kBatchTile) {
        alignas(64) V rows[255], parity[255];
        toRows(messages, k, words, t.k, rows, codewords, n);
        if (t.fold) foldParity(t, rows, nullptr, parity, nullptr);
        else dot(rows, t.k, t.encode.data(), t.r, parity);
        fromRows(parity, t.r, words, codewords + k, n);
        return;
    }
    // Two tiles: the second holds words 64 ... words - 1.
    alignas(64) V rows[2][255], parity[2][255];
    const int second = words - kBatchTile;
    const std::size_t skip = static_cast<std::size_t>(kBatchTile);
    toRows(messages, k, kBatchTile, t.k, rows[0], codewords, n);
    toRows(messages + skip * k, k, second, t.k, rows[1], codewords + skip * n, n);
    if (t.fold) foldParity(t, rows[0], rows[1], parity[0], parity[1]);
    else dot2(rows[0], rows[1], t.k, t.encode.data(), t.r, parity[0], parity[1]);
    fromRows(parity[0], t.r, kBatchTile, codewords + k, n);
    fromRows(parity[1], t.r, second, codewords + skip * n + k, n);
}

void decodeTile(const BatchTables& t, uint8_t* codewords, int words, uint64_t skip, uint64_t* clean,
                     uint64_t* fixed, uint8_t (*changed)[kMaxDecodeParity / 2], int* changedCount) {
    const int n = t.n, r = t.r, half = r / 2;
    alignas(64) V rows[255], rem[kMaxDecodeParity], syn[kMaxDecodeParity];
    toRows(codewords, static_cast<std::size_t>(n), words, n, rows);
    const uint64_t lanes = laneMask(words) & ~skip;
    const uint64_t zero = remainderLanes(t, rows, rem);
    *clean = lanes & zero;
    *fixed = 0;
    // The lanes cost about as much for one word as for 64: a few words that
    // are not codewords are cheaper one at a time.
    const uint64_t dirty = lanes & ~zero;
    if (__builtin_popcountll(dirty) < kMinDirtyLanes) return;
    dot(rem, r, t.syndrome.data(), r, syn);

    V lambda[kMaxDecodeParity / 2 + 1], omega[kMaxDecodeParity / 2], length;
    locators(syn, r, half, lambda, &length);
    // Omega = Lambda S mod x^t: within the radius its degree is below
    // Lambda's, so t coefficients are all there is.
    for (int i = 0; i < half; ++i) {
        V sum = _mm512_setzero_si512();
        for (int j = 0; j <= i; ++j) sum = _mm512_xor_si512(sum, mul(lambda[j], syn[i - j]));
        omega[i] = sum;
    }
    // Every position p of the code, X = alpha^(n-1-p), y = X^-1: Lambda(y)
    // as its even part E(y^2) plus its odd part y O(y^2) (y Lambda'(y) is the
    // odd part); at a root the error value is X^-b Omega(y) / odd(y).
    const V one = _mm512_set1_epi8(1);
    V roots = _mm512_setzero_si512();
    const __mmask64 active = dirty;
    const int evenTop = half / 2 * 2, oddTop = (half - 1) / 2 * 2 + 1;
    for (int p = 0; p < n; ++p) {
        const uint64_t* m = t.chien.data() + 3 * static_cast<std::size_t>(p);
        V even = lambda[evenTop];
        for (int i = evenTop - 2; i >= 0; i -= 2) even = _mm512_xor_si512(apply(even, m[1]), lambda[i]);
        V odd = lambda[oddTop];
        for (int i = oddTop - 2; i >= 1; i -= 2) odd = _mm512_xor_si512(apply(odd, m[1]), lambda[i]);
        odd = apply(odd, m[0]);
        const __mmask64 root = _mm512_mask_cmpeq_epi8_mask(active, even, odd);
        if (root == 0) continue;
        V w = omega[half - 1];
        for (int i = half - 2; i >= 0; --i) w = _mm512_xor_si512(apply(w, m[0]), omega[i]);
        const V value = apply(apply(mul(w, inverse(odd)), m[2]), t.fromWork);
        rows[p] = _mm512_xor_si512(rows[p], _mm512_maskz_mov_epi8(root, value));
        roots = _mm512_mask_add_epi8(roots, root, roots, one);
    }
    // Taken: as many distinct roots as the length, within the radius, and a
    // codeword after the correction (then the only one within the radius).
    uint64_t taken = dirty & _mm512_cmpeq_epi8_mask(roots, length) &
                     _mm512_cmple_epu8_mask(length, _mm512_set1_epi8(static_cast<char>(half)));
    if (taken == 0) return;
    taken &= remainderLanes(t, rows, rem);
    if (taken == 0) return;
    alignas(64) uint8_t decoded[kBatchTile * 255];
    fromRows(rows, n, words, decoded, static_cast<std::size_t>(n));
    for (uint64_t left = taken; left != 0; left &= left - 1) {
        const int w = __builtin_ctzll(left);
        uint8_t* word = codewords + static_cast<std::size_t>(w) * n;
        const uint8_t* fixedWord = decoded + static_cast<std::size_t>(w) * n;
        int count = 0;
        for (int p = 0; p < n; p += 64) {
            const __mmask64 in = laneMask(n - p);
            const __mmask64 diff = _mm512_mask_cmpneq_epi8_mask(in, _mm512_maskz_loadu_epi8(in, word + p),
                                                                _mm512_maskz_loadu_epi8(in, fixedWord + p));
            for (uint64_t bits = diff; bits != 0; bits &= bits - 1) {
                if (count < half) changed[w][count] = static_cast<uint8_t>(p + __builtin_ctzll(bits));
                ++count;
            }
        }
        if (count > half) continue;  // cannot happen for a lane taken above; the single-word decoder decides
        std::memcpy(word, fixedWord, static_cast<std::size_t>(n));
        changedCount[w] = count;
        *fixed |= uint64_t(1) << w;
    }
}

}  // namespace

const BatchKernels batchAvx512{"avx512-gfni", simd::kCpuAvx512 | simd::kCpuGfni, encodeTile, decodeTile};

}  // namespace vekdi::codes
