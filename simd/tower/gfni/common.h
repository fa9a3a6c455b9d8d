// SPDX-License-Identifier: Apache-2.0
// The inline helpers shared by the GFNI kernels (one unit per algorithm in
// this folder, each compiled with -mavx2 -mgfni only, like this header's
// every includer). Polynomial values are computed with GF2P8MULB in the
// isomorphic field GF(2)[x]/(0x11B) (one product per lane per
// instruction), reached and left with GF2P8AFFINEQB and the built-in record
// of that polynomial, whose matrices map that field's polynomial basis to
// the tower basis and back. Field isomorphisms preserve every sum and
// product, so the values are the same bytes the tower arithmetic gives.
//
// Everything here has internal linkage, as it had when the kernels shared
// one unit: each unit keeps its own copy, inlined where the compiler chooses
// to, and the functions not every unit calls are marked [[maybe_unused]].
#pragma once

#include <algorithm>
#include <cstring>

#include "simd/tower/tower_records.h"
#include "simd/tower/gfni_kernels.h"
#include "simd/tower/kernel_body.h"
#include "simd/tower/ops_x86.h"

namespace vekdi::tower {
namespace {

using Base = Body<Avx2Ops, Ssse3Ops>;

// GF2P8AFFINEQB operand for the images of bits 0 ... 7 in bytes 0 ... 7 of
// x: byte 7 - i selects the input bits that make output bit i. It is the
// transpose of the 8 x 8 bit matrix of the images, by three rounds of swaps
// of bit blocks, bytes reversed.
[[maybe_unused]] uint64_t operandOfImages(uint64_t x) {
    uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
    x ^= t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
    x ^= t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
    x ^= t ^ (t << 28);
    return __builtin_bswap64(x);
}

// The operand for a matrix given by columns (row j of `columns` holds, in
// every lane, the image of bit j).
[[maybe_unused]] uint64_t affineOperand(const uint8_t* columns) {
    uint64_t x = 0;
    for (int j = 0; j < 8; ++j) x |= uint64_t(columns[16 * j]) << (8 * j);
    return operandOfImages(x);
}

// True when every row repeats one byte in all 16 lanes.
[[maybe_unused]] bool rowsAreBroadcast(const uint8_t* matrix) {
    __m256i same = _mm256_set1_epi8(-1);
    for (int q = 0; q < 4; ++q) {  // rows 2q and 2q + 1, each against its first byte
        const __m256i rows = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(matrix + 32 * q));
        same = _mm256_and_si256(same, _mm256_cmpeq_epi8(rows, _mm256_shuffle_epi8(rows, _mm256_setzero_si256())));
    }
    return _mm256_movemask_epi8(same) == -1;
}

struct AesBasis {
    __m256i toAes, toTower;
    AesBasis() {
        const TowerRecord* aes = findTowerRecord(0x11B);  // GF(2)[x]/(x^8 + x^4 + x^3 + x + 1)
        toAes = _mm256_set1_epi64x(static_cast<long long>(affineOperand(aes->fromTower)));
        toTower = _mm256_set1_epi64x(static_cast<long long>(affineOperand(aes->toTower)));
    }
};

[[maybe_unused]] const AesBasis& aesBasis() {
    static const AesBasis basis;
    return basis;
}

inline __m256i affine(__m256i v, __m256i m) { return _mm256_gf2p8affine_epi64_epi8(v, m, 0); }
inline __m256i mul(__m256i a, __m256i b) { return _mm256_gf2p8mul_epi8(a, b); }

[[maybe_unused]] void convert(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) {
    if (!rowsAreBroadcast(matrix)) {
        Base::convert(out, in, len, matrix);
        return;
    }
    const __m256i m = _mm256_set1_epi64x(static_cast<long long>(affineOperand(matrix)));
    const int end = groupBytes(len);
    int i = 0;
    for (; i + 32 <= end; i += 32) Avx2Ops::store(out + i, affine(Avx2Ops::load(in + i), m));
    if (i < end) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(affine(_mm256_castsi128_si256(v), m)));
    }
}

// Coefficients in the AES basis, zero up to a multiple of 32 past `count`.
// Bytes p[0 ... len) (0 < len <= 32) in the low lanes, zero above; reads
// nothing past p + len, and no store it waits for.
[[maybe_unused]] __m256i loadPartial(const uint8_t* p, int len) {
    if (len == 32) return Avx2Ops::load(p);
    const int dwords = len / 4;
    const __m256i index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i whole = _mm256_cmpgt_epi32(_mm256_set1_epi32(dwords), index);
    const __m256i v = _mm256_maskload_epi32(reinterpret_cast<const int*>(p), whole);
    uint32_t tail = 0;
    for (int i = len % 4 - 1; i >= 0; --i) tail = (tail << 8) | p[4 * dwords + i];
    const __m256i at = _mm256_cmpeq_epi32(_mm256_set1_epi32(dwords), index);
    return Avx2Ops::bxor(v, _mm256_and_si256(_mm256_set1_epi32(static_cast<int>(tail)), at));
}

[[maybe_unused]] void coefficientsToAes(uint8_t* dst, const uint8_t* coeffs, int count, __m256i toAes) {
    int i = 0;
    for (; i + 32 <= count; i += 32) Avx2Ops::store(dst + i, affine(Avx2Ops::load(coeffs + i), toAes));
    Avx2Ops::store(dst + i, i < count ? affine(loadPartial(coeffs + i, count - i), toAes) : _mm256_setzero_si256());
    Avx2Ops::store(dst + i + 32, _mm256_setzero_si256());
}

// Bytes p[0 ... len) (0 <= len <= 64) into lo and hi, zero above, through an
// affine operand; reads nothing past p + len.
inline void loadUpTo64(__m256i& lo, __m256i& hi, const uint8_t* p, int len, __m256i m) {
    const __m256i zero = _mm256_setzero_si256();
    lo = len >= 32 ? affine(Avx2Ops::load(p), m) : len > 0 ? affine(loadPartial(p, len), m) : zero;
    hi = len > 32 ? affine(loadPartial(p + 32, len - 32), m) : zero;
}

// The points of a pair of blocks (the second at `stride`) in the AES basis.
[[maybe_unused]] __m256i pointsOf(const uint8_t* block, int stride, __m256i toAes) {
    const __m256i powRow = Avx2Ops::table(gf16Tables.powRow);
    const __m256i lo = Avx2Ops::shuffle(powRow, Avx2Ops::loadRows(block, stride));
    const __m256i hi = Avx2Ops::shuffle(powRow, Avx2Ops::loadRows(block + 16, stride));
    return affine(Avx2Ops::bxor(lo, Avx2Ops::sll4(hi)), toAes);
}

inline __m256i broadcastByte(const uint8_t* p) { return _mm256_set1_epi8(static_cast<char>(*p)); }

// Values at NV vectors of points, Horner's rule on each.
template <int NV>
void hornerMany(__m256i* values, const __m256i* x, const uint8_t* c, int count) {
    __m256i a[NV];
    for (int v = 0; v < NV; ++v) a[v] = broadcastByte(c + count - 1);
    for (int i = count - 2; i >= 0; --i) {
        const __m256i ci = broadcastByte(c + i);
        for (int v = 0; v < NV; ++v) a[v] = Avx2Ops::bxor(mul(a[v], x[v]), ci);
    }
    for (int v = 0; v < NV; ++v) values[v] = a[v];
}

// Coefficient i in every lane; a pair of coefficients (uint16_t) in every
// pair of lanes, the first in the even lane.
inline __m256i broadcastCoefficient(const uint8_t* c) { return broadcastByte(c); }
inline __m256i broadcastCoefficient(const uint16_t* c) { return _mm256_set1_epi16(static_cast<short>(*c)); }

// Value at one vector of points with C (a power of two) independent chains:
// p(x) = sum_t x^t p_t(x^C), p_t holding the coefficients t, t + C, ...
// (c is zero for C - 1 elements past count).
template <int C = 4, class E = uint8_t>
__m256i hornerSplit(__m256i x, const E* c, int count) {
    if (count <= 0) return _mm256_setzero_si256();
    __m256i xc = x;
    for (int e = 1; e < C; e *= 2) xc = mul(xc, xc);
    // The chains start at their top coefficients: nothing is set to zero
    // first, which compilers do for a stack array with a slow block store.
    const int top = (count + C - 1) / C - 1;
    __m256i a[C];
    for (int t = 0; t < C; ++t) a[t] = broadcastCoefficient(c + C * top + t);
    for (int i = top - 1; i >= 0; --i)
        for (int t = 0; t < C; ++t) a[t] = Avx2Ops::bxor(mul(a[t], xc), broadcastCoefficient(c + C * i + t));
    __m256i r = a[C - 1];
    for (int t = C - 2; t >= 0; --t) r = Avx2Ops::bxor(mul(r, x), a[t]);
    return r;
}

constexpr int kMaxCoefficients = 512;

[[maybe_unused]] __m256i powerOf(__m256i x, int e) {
    __m256i r = _mm256_set1_epi8(1);  // 1 is 1 in every basis
    for (__m256i b = x; e > 0; e >>= 1, b = mul(b, b))
        if (e & 1) r = mul(r, b);
    return r;
}

// Bytes p[at ... at + 32) with zeros from p + count on, reading nothing there.
inline __m256i loadBelow(const uint8_t* p, int at, int count) {
    if (at + 32 <= count) return Avx2Ops::load(p + at);
    return at < count ? loadPartial(p + at, count - at) : _mm256_setzero_si256();
}

// The 32 lanes in reverse order.
[[maybe_unused]] __m256i reverseLanes(__m256i v) {
    const __m256i reverse16 = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11,
                                               10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, reverse16), 0x4E);
}

alignas(32) constexpr uint8_t kLaneIndex[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                                16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};

// Lane j of the result: a^j (j < 32), each lane taking a^(2^q) for every
// bit q of j; *a32 receives a^32.
[[maybe_unused]] __m256i lanePowers(__m256i a, __m256i* a32) {
    const __m256i lanes = Avx2Ops::load(kLaneIndex);
    __m256i powers = _mm256_set1_epi8(1);
    for (int q = 0; q < 5; ++q) {
        const __m256i bit = _mm256_set1_epi8(static_cast<char>(1 << q));
        const __m256i take = _mm256_cmpeq_epi8(_mm256_and_si256(lanes, bit), bit);
        powers = _mm256_blendv_epi8(powers, mul(powers, a), take);
        a = mul(a, a);
    }
    *a32 = a;
    return powers;
}

inline __m256i inverse(__m256i v) {  // 0 stays 0
    return _mm256_gf2p8affineinv_epi64_epi8(v, _mm256_set1_epi64x(0x0102040810204080LL), 0);
}

// A polynomial or sequence of at most 32 N elements in N registers, element
// 0 in the low byte of v[0].
template <int N>
struct Lanes {
    __m256i v[N];

    static Lanes load(const uint8_t* p) {
        Lanes l;
        for (int i = 0; i < N; ++i) l.v[i] = Avx2Ops::load(p + 32 * i);
        return l;
    }
    void store(uint8_t* p) const {
        for (int i = 0; i < N; ++i) Avx2Ops::store(p + 32 * i, v[i]);
    }
    Lanes times(__m256i c) const {
        Lanes l;
        for (int i = 0; i < N; ++i) l.v[i] = mul(v[i], c);
        return l;
    }
    void add(const Lanes& o) {
        for (int i = 0; i < N; ++i) v[i] = Avx2Ops::bxor(v[i], o.v[i]);
    }
    // o where the mask's lanes are set, this elsewhere.
    Lanes select(const Lanes& o, __m256i mask) const {
        Lanes l;
        for (int i = 0; i < N; ++i) l.v[i] = _mm256_blendv_epi8(v[i], o.v[i], mask);
        return l;
    }
    void affineEach(__m256i m) {
        for (int i = 0; i < N; ++i) v[i] = affine(v[i], m);
    }
    // x * p: every element one lane up, across the halves and the registers.
    Lanes shiftUp() const {
        Lanes l;
        l.v[0] = _mm256_alignr_epi8(v[0], _mm256_permute2x128_si256(v[0], v[0], 0x08), 15);
        for (int i = 1; i < N; ++i)
            l.v[i] = _mm256_alignr_epi8(v[i], _mm256_permute2x128_si256(v[i], v[i - 1], 0x03), 15);
        return l;
    }
    // Every element one lane down, zero into the top.
    Lanes shiftDown() const {
        Lanes l;
        for (int i = 0; i + 1 < N; ++i)
            l.v[i] = _mm256_alignr_epi8(_mm256_permute2x128_si256(v[i], v[i + 1], 0x21), v[i], 1);
        l.v[N - 1] = _mm256_alignr_epi8(_mm256_permute2x128_si256(v[N - 1], v[N - 1], 0x81), v[N - 1], 1);
        return l;
    }
};

}  // namespace
}  // namespace vekdi::tower
