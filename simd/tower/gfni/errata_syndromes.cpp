// SPDX-License-Identifier: Apache-2.0
// The syndromes of a known set of errata (positions and values).
#include "simd/tower/gfni/common.h"

namespace vekdi::tower {
namespace {

// Two vectors into one: lanes with bit S of the lane number clear take the
// sums of a's lanes L and L + S, the others those of b's lanes L - S and L.
template <int S>
__m256i foldPair(__m256i a, __m256i b) {
    if constexpr (S == 16) {
        return Avx2Ops::bxor(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31));
    } else {
        alignas(32) static constexpr uint8_t kLanes[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                                           11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                                           22, 23, 24, 25, 26, 27, 28, 29, 30, 31};
        const __m256i bit = _mm256_set1_epi8(S);
        const __m256i takeB = _mm256_cmpeq_epi8(_mm256_and_si256(Avx2Ops::load(kLanes), bit), bit);
        const __m256i fa = Avx2Ops::bxor(a, _mm256_srli_si256(a, S));
        const __m256i fb = Avx2Ops::bxor(b, _mm256_slli_si256(b, S));
        return _mm256_blendv_epi8(fa, fb, takeB);
    }
}

// Lane j of the result: the XOR of all 32 lanes of v[j]. v is overwritten.
__m256i sumAcross32(__m256i* v) {
    for (int i = 0; i < 16; ++i) v[i] = foldPair<1>(v[2 * i], v[2 * i + 1]);
    for (int i = 0; i < 8; ++i) v[i] = foldPair<2>(v[2 * i], v[2 * i + 1]);
    for (int i = 0; i < 4; ++i) v[i] = foldPair<4>(v[2 * i], v[2 * i + 1]);
    for (int i = 0; i < 2; ++i) v[i] = foldPair<8>(v[2 * i], v[2 * i + 1]);
    return foldPair<16>(v[0], v[1]);
}

// Every term is c_i X_i^(j-1) with c_i = pow[log Y_i + b d_i] and X_i =
// pow[d_i]. The errors sit in the lanes, 32 at a time: the vector of terms
// for one j is the previous one times X, and the sums across the lanes of 32
// such vectors are taken together. Up to kFewErrata errors and 32 syndromes
// the other way round is cheaper: the syndromes in the lanes, every error's
// terms c_i X_i^0 ... c_i X_i^31 one vector.
constexpr int kFewErrata = 12;

void errataSyndromes(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int count, int b, int r,
                     const uint8_t* towerPow) {
    const AesBasis& basis = aesBasis();
    alignas(32) uint8_t c[256 + 32], x[256 + 32];
    const int padded = (count + 31) & ~31;
    for (int i = 0; i < count; ++i) {  // Y_i and X_i; c_i = Y_i X_i^b below, 32 at a time
        c[i] = towerPow[logs[i]];
        x[i] = towerPow[exps[i]];
    }
    for (int i = count; i < padded; ++i) c[i] = x[i] = 0;  // lanes past count: no term
    for (int i = 0; i < padded; i += 32) {
        const __m256i xs = affine(Avx2Ops::load(x + i), basis.toAes);
        Avx2Ops::store(x + i, xs);
        Avx2Ops::store(c + i, mul(affine(Avx2Ops::load(c + i), basis.toAes), powerOf(xs, b)));
    }
    const int vectors = (r + 31) / 32;
    if (count <= kFewErrata && vectors == 1) {  // the syndromes in the lanes, one vector of terms per error
        __m256i acc = _mm256_setzero_si256(), unused;
        for (int i = 0; i < count; ++i)
            acc = Avx2Ops::bxor(acc, mul(lanePowers(broadcastByte(x + i), &unused), broadcastByte(c + i)));
        alignas(32) uint8_t values[32];
        Avx2Ops::store(values, affine(acc, basis.toTower));
        std::memcpy(out, values, size_t(r));
        return;
    }
    if (count == 0) {
        std::memset(out, 0, size_t(r));
        return;
    }
    __m256i acc[8];  // each set by the first batch
    for (int batch = 0; batch < count; batch += 32) {
        const __m256i xs = Avx2Ops::load(x + batch);
        const __m256i x2 = mul(xs, xs), x4 = mul(x2, x2);
        // Four interleaved chains: terms j, j + 1, j + 2, j + 3, each stepped by X^4.
        __m256i t[4];
        t[0] = Avx2Ops::load(c + batch);
        t[1] = mul(t[0], xs);
        t[2] = mul(t[0], x2);
        t[3] = mul(t[1], x2);
        for (int v = 0; v < vectors; ++v) {
            __m256i terms[32];
            for (int j = 0; j < 32; j += 4)
                for (int q = 0; q < 4; ++q) {
                    terms[j + q] = t[q];
                    t[q] = mul(t[q], x4);
                }
            const __m256i sum = sumAcross32(terms);
            acc[v] = batch == 0 ? sum : Avx2Ops::bxor(acc[v], sum);
        }
    }
    alignas(32) uint8_t values[256];
    for (int v = 0; v < vectors; ++v) Avx2Ops::store(values + 32 * v, affine(acc[v], basis.toTower));
    std::memcpy(out, values, size_t(r));
}

}  // namespace

namespace gfni {

void errataSyndromes(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int count, int b, int r,
                     const uint8_t* towerPow) {
    tower::errataSyndromes(out, exps, logs, count, b, r, towerPow);
}

}  // namespace gfni
}  // namespace vekdi::tower
