// SPDX-License-Identifier: Apache-2.0
// The values of a full-length word at a geometric sequence of points by
// rows of 51 x 5 coefficients, shared by the word syndromes and the
// encoder (which evaluates the message with zero parity the same way).
#pragma once

#include "simd/tower/gfni/common.h"

namespace vekdi::tower {
namespace {

// The syndromes of a full-length word, R(x) = sum word[254 - i] x^i with
// 255 = 51 * 5 coefficients, at a geometric sequence of points x_j = x_0
// rho^j:
//   R(x) = sum_{t < 51} x^t P_t(x^51),  P_t(z) = sum_{s < 5} c[t + 51 s] z^s,
// and x_j^51 = x_0^51 rho^(51 j) repeats with period 5 in j (rho^255 = 1),
// so the five values z_k = x_k^51 serve every point: the 51 P_t are
// evaluated once at the z_k, and each point then takes Horner's rule over
// the 51 values P_t(z_(j mod 5)) instead of over the 255 coefficients, about
// 2.5 times fewer products in all.
constexpr int kFullLength = 255, kRowCount = 51;  // 255 = 51 * 5

// kMod5[i] = i mod 5: lane i of points 16 g ... reads P_t(z_((16 g + i) mod 5)).
struct Mod5 {
    alignas(32) uint8_t at[40];
    constexpr Mod5() : at{} {
        for (int i = 0; i < 40; ++i) at[i] = uint8_t(i % 5);
    }
};
constexpr Mod5 kMod5;

// The coefficient runs of each P_t's term s, c[51 s ... 51 s + 53], stored as
// two vectors at runs + 64 s: c[51 s + i] at i for i < 32 and at 32 + i - 30
// for i >= 30, so the eight bytes each group of six rows reads lie within one
// store (a load spanning two waits for both to reach the cache).
constexpr int kRowGroups = (kRowCount + 5) / 6;
inline int runOffset(int s, int g) { return 64 * s + (g < 5 ? 6 * g : 32 + 6 * g - 30); }

// c[at ... at + 32) with c[i] = word[254 - i] (zero from 255 and for
// word[count ...], which is not read), read backwards from the word. The
// last run, at = 4 * 51 + 30, reaches 11 bytes past c[254]: it is the first
// 32 bytes read backwards, moved down 11 lanes with zeros shifted in.
constexpr int kLastRunAt = 4 * kRowCount + 30, kLastRunPast = kLastRunAt + 32 - kFullLength;
static_assert(kLastRunPast == 11);
inline __m256i runOf(const uint8_t* word, int count, int at) {
    if (at == kLastRunAt) {
        const __m256i all = reverseLanes(loadBelow(word, 0, count));
        return _mm256_alignr_epi8(_mm256_permute2x128_si256(all, all, 0x81), all, kLastRunPast);
    }
    return reverseLanes(loadBelow(word, kFullLength - 32 - at, count));
}

// The runs of all five terms (see runOffset) of the word word[0 ... count),
// zeros past count, each vector taken to the AES basis by toAes(v).
template <class ToAes>
void wordRuns(uint8_t* runs, const uint8_t* word, int count, ToAes toAes) {
    for (int s = 0; s < 5; ++s) {
        Avx2Ops::store(runs + 64 * s, toAes(runOf(word, count, kRowCount * s)));
        Avx2Ops::store(runs + 64 * s + 32, toAes(runOf(word, count, kRowCount * s + 30)));
    }
}

// rows: P_t(z_0 ... z_4) for every t, six rows per 32 bytes, three to each
// half (lane 5 i + k of a half: P_(t+i)(z_k)), from the runs and the first
// points of the sequence (z_k = x_k^51, k < 5, in lanes 0 ... 4 of x0).
void rowValues(uint8_t* rows, const uint8_t* runs, __m256i x0) {
    const __m256i first = _mm256_permute4x64_epi64(x0, 0x44);  // the low half in both
    const __m256i y = powerOf(first, kRowCount), y2 = mul(y, y), y3 = mul(y2, y), y4 = mul(y2, y2);
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 0, 1, 2, 3, 4, 0, 1, 2, 3,
                                            4, 0, 1, 2, 3, 4, 0);
    const __m256i z[4] = {_mm256_shuffle_epi8(y, spread), _mm256_shuffle_epi8(y2, spread),
                          _mm256_shuffle_epi8(y3, spread), _mm256_shuffle_epi8(y4, spread)};
    const __m256i expand = _mm256_setr_epi8(0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 4, 4, 4, 4,
                                            4, 5, 5, 5, 5, 5, 5);
    for (int g = 0; g < kRowGroups; ++g) {
        auto part = [&](int s) {
            int64_t six;
            std::memcpy(&six, runs + runOffset(s, g), 8);
            return _mm256_shuffle_epi8(_mm256_set1_epi64x(six), expand);
        };
        __m256i v = part(0);
        for (int s = 1; s < 5; ++s) v = Avx2Ops::bxor(v, mul(part(s), z[s - 1]));
        Avx2Ops::store(rows + 32 * g, v);
    }
}

// The word's values (AES basis) at a vector of points x, points first ...
// first + 31 of the sequence: four chains over t mod 4 in x^4, then
// R = A_0 + x A_1 + x^2 A_2 + x^3 A_3. Row t is read as the 16 bytes of its
// half and picked from there.
__m256i valuesAt(const uint8_t* rows, __m256i x, int first) {
    const __m256i pick = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kMod5.at + first % 5));
    const __m256i picks[3] = {pick, _mm256_add_epi8(pick, _mm256_set1_epi8(5)),
                              _mm256_add_epi8(pick, _mm256_set1_epi8(10))};
    auto row = [&](int t) {
        const auto* half = reinterpret_cast<const __m128i*>(rows + 32 * (t / 6) + 16 * (t % 6 / 3));
        return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(_mm_load_si128(half)), picks[t % 3]);
    };
    const __m256i x2 = mul(x, x), x4 = mul(x2, x2);
    __m256i a[4] = {row(48), row(49), row(50), _mm256_setzero_si256()};  // t = 51 is past the last row
    // Unrolled, so that every t is a constant: its row's place and pick.
#pragma GCC unroll 12
    for (int m = 11; m >= 0; --m)
#pragma GCC unroll 4
        for (int q = 0; q < 4; ++q) a[q] = Avx2Ops::bxor(mul(a[q], x4), row(4 * m + q));
    __m256i v = a[3];
    for (int q = 2; q >= 0; --q) v = Avx2Ops::bxor(mul(v, x), a[q]);
    return v;
}

}  // namespace
}  // namespace vekdi::tower
