// SPDX-License-Identifier: Apache-2.0
// The syndromes of a full-length word by the 51 x 5 split of word_rows.h.
#include "simd/tower/gfni/common.h"
#include "simd/tower/gfni/word_rows.h"

namespace vekdi::tower {
namespace {

void wordSyndromes(uint8_t* out, const uint8_t* word, const uint8_t* matrix, const uint8_t* blocks, int r) {
    const AesBasis& basis = aesBasis();
    alignas(32) uint8_t runs[64 * 5];
    if (rowsAreBroadcast(matrix)) {  // one operand for both changes of basis: the images of the eight bits
        const __m256i m = _mm256_set1_epi64x(static_cast<long long>(affineOperand(matrix)));
        const __m256i bits = _mm256_set1_epi64x(0x8040201008040201LL);
        uint64_t images;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&images),
                         _mm256_castsi256_si128(affine(affine(bits, m), basis.toAes)));
        const __m256i both = _mm256_set1_epi64x(static_cast<long long>(operandOfImages(images)));
        wordRuns(runs, word, kFullLength, [&](__m256i v) { return affine(v, both); });
    } else {  // a matrix per lane (of R's coefficients): R as convert gives it, then its runs
        alignas(32) uint8_t c[kFullLength + 1 + 64] = {};
        for (int i = 0; i < kFullLength; ++i) c[i] = word[kFullLength - 1 - i];
        convert(c, c, kFullLength, matrix);
        for (int s = 0; s < 5; ++s) {
            Avx2Ops::store(runs + 64 * s, affine(Avx2Ops::load(c + kRowCount * s), basis.toAes));
            Avx2Ops::store(runs + 64 * s + 32, affine(Avx2Ops::load(c + kRowCount * s + 30), basis.toAes));
        }
    }
    // Pairs of blocks, a last single block read twice.
    const int blockCount = (r + 15) / 16;
    alignas(32) uint8_t rows[32 * kRowGroups];
    __m256i x = pointsOf(blocks, blockCount > 1 ? 64 : 0, basis.toAes);
    rowValues(rows, runs, x);
    for (int g = 0; g < blockCount; g += 2) {
        const bool pair = g + 1 < blockCount;
        if (g > 0) x = pointsOf(blocks + 64 * g, pair ? 64 : 0, basis.toAes);
        const __m256i v = affine(valuesAt(rows, x, 16 * g), basis.toTower);
        if (pair)
            Avx2Ops::storeRows(out + 16 * g, 16, v);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * g), _mm256_castsi256_si128(v));
    }
}

}  // namespace

namespace gfni {

void wordSyndromes(uint8_t* out, const uint8_t* word, const uint8_t* matrix, const uint8_t* blocks, int r) {
    tower::wordSyndromes(out, word, matrix, blocks, r);
}

}  // namespace gfni
}  // namespace vekdi::tower
