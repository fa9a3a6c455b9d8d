// SPDX-License-Identifier: Apache-2.0
// AVX2 with the Galois-field instructions; compiled with -mavx2 -mgfni only.
// The products by constants and the point-block preparation are those of
// the AVX2 variant. Evaluation and the basis change differ: polynomial
// values are computed with GF2P8MULB in the isomorphic field GF(2)[x]/(0x11B)
// (one product per lane per instruction), reaching it and coming back with
// GF2P8AFFINEQB and the built-in record of that polynomial, whose matrices map
// that field's polynomial basis to the tower basis and back. Field
// isomorphisms preserve every sum and product, so the values are the same
// bytes the tower arithmetic gives.
#include <algorithm>
#include <cstring>

#include "simd/tower/fast_tables.h"
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
uint64_t operandOfImages(uint64_t x) {
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
uint64_t affineOperand(const uint8_t* columns) {
    uint64_t x = 0;
    for (int j = 0; j < 8; ++j) x |= uint64_t(columns[16 * j]) << (8 * j);
    return operandOfImages(x);
}

// True when every row repeats one byte in all 16 lanes.
bool rowsAreBroadcast(const uint8_t* matrix) {
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
        const FastTableRecord* aes = fastTableLookup(0x11B);  // GF(2)[x]/(x^8 + x^4 + x^3 + x + 1)
        toAes = _mm256_set1_epi64x(static_cast<long long>(affineOperand(aes->fromTower)));
        toTower = _mm256_set1_epi64x(static_cast<long long>(affineOperand(aes->toTower)));
    }
};

const AesBasis& aesBasis() {
    static const AesBasis basis;
    return basis;
}

inline __m256i affine(__m256i v, __m256i m) { return _mm256_gf2p8affine_epi64_epi8(v, m, 0); }
inline __m256i mul(__m256i a, __m256i b) { return _mm256_gf2p8mul_epi8(a, b); }

void convert(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) {
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
__m256i loadPartial(const uint8_t* p, int len) {
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

void coefficientsToAes(uint8_t* dst, const uint8_t* coeffs, int count, __m256i toAes) {
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
__m256i pointsOf(const uint8_t* block, int stride, __m256i toAes) {
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

// Long polynomials (the syndromes) take more chains so that the products'
// latency does not bound the loop.
constexpr int kManyChains = 64;

constexpr int kMaxCoefficients = 512;

__m256i powerOf(__m256i x, int e) {
    __m256i r = _mm256_set1_epi8(1);  // 1 is 1 in every basis
    for (__m256i b = x; e > 0; e >>= 1, b = mul(b, b))
        if (e & 1) r = mul(r, b);
    return r;
}

// A long polynomial (c in the AES basis, count <= kMaxCoefficients) at the
// 16 points of one block, both halves of the vector at work: every point
// sits in a pair of lanes, the even one evaluating the low half L of the
// coefficients and the odd one the high half H, and p = L + x^h H.
__m128i evalHalves(const uint8_t* block, const uint8_t* c, int count, const AesBasis& basis) {
    const __m128i x16 = _mm256_castsi256_si128(pointsOf(block, 0, basis.toAes));
    const __m256i x = _mm256_setr_m128i(_mm_unpacklo_epi8(x16, x16), _mm_unpackhi_epi8(x16, x16));
    const int h = (count + 1) / 2;
    uint16_t pairs[kMaxCoefficients / 2 + 8];
    for (int i = 0; i < h; ++i) pairs[i] = uint16_t(c[i] | c[h + i] << 8);  // c is zero past count
    for (int i = h; i < h + 8; ++i) pairs[i] = 0;
    const __m256i both = hornerSplit<8>(x, pairs, h);
    const __m256i high = _mm256_srli_epi16(mul(both, powerOf(x, h)), 8);  // x^h H, in the even lanes
    const __m256i sum = _mm256_and_si256(Avx2Ops::bxor(both, high), _mm256_set1_epi16(0xFF));
    const __m256i packed = _mm256_packus_epi16(sum, sum);  // each half's 8 values in its low qword
    return _mm_unpacklo_epi64(_mm256_castsi256_si128(packed), _mm256_extracti128_si256(packed, 1));
}

// Polynomials this long take the quarters below.
constexpr int kQuartersFrom = 128;

// Bytes p[at ... at + 32) with zeros from p + count on, reading nothing there.
inline __m256i loadBelow(const uint8_t* p, int at, int count) {
    if (at + 32 <= count) return Avx2Ops::load(p + at);
    return at < count ? loadPartial(p + at, count - at) : _mm256_setzero_si256();
}

// A long polynomial (count coefficients in the tower basis) at the 32
// points of x (AES basis): every point in the four lanes of a double word,
// lane q evaluating the quarter Q_q(x) = sum c[q h + i] x^i (i < h), and then
// p = sum x^(q h) Q_q. The quarters' coefficients come four to a double word,
// so a broadcast is a plain load that serves the four registers of points,
// and each product needs one sum and nothing else; each quarter runs as two
// chains (even and odd coefficients in x^2), eight in all. The coefficients
// are read straight from the caller's array, long since written.
__m256i evalQuarters(__m256i x, const uint8_t* coeffs, int count, __m256i toAes) {
    const int h = 2 * ((count + 7) / 8);
    alignas(32) uint32_t quads[kMaxCoefficients / 4 + 32];
    for (int i = 0; i < h; i += 32) {
        const __m256i a = affine(loadBelow(coeffs, i, count), toAes);
        const __m256i b = affine(loadBelow(coeffs, h + i, count), toAes);
        const __m256i d = affine(loadBelow(coeffs, 2 * h + i, count), toAes);
        const __m256i e = affine(loadBelow(coeffs, 3 * h + i, count), toAes);
        const __m256i abLo = _mm256_unpacklo_epi8(a, b), abHi = _mm256_unpackhi_epi8(a, b);
        const __m256i deLo = _mm256_unpacklo_epi8(d, e), deHi = _mm256_unpackhi_epi8(d, e);
        const __m256i q0 = _mm256_unpacklo_epi16(abLo, deLo), q1 = _mm256_unpackhi_epi16(abLo, deLo);
        const __m256i q2 = _mm256_unpacklo_epi16(abHi, deHi), q3 = _mm256_unpackhi_epi16(abHi, deHi);
        uint8_t* at = reinterpret_cast<uint8_t*>(quads + i);
        Avx2Ops::store(at, _mm256_permute2x128_si256(q0, q1, 0x20));
        Avx2Ops::store(at + 32, _mm256_permute2x128_si256(q2, q3, 0x20));
        Avx2Ops::store(at + 64, _mm256_permute2x128_si256(q0, q1, 0x31));
        Avx2Ops::store(at + 96, _mm256_permute2x128_si256(q2, q3, 0x31));
    }
    // Register g: points 4g ... 4g + 3 and 16 + 4g ... 16 + 4g + 3, each in
    // four lanes; the multipliers x^(q h) in the same order.
    const __m256i xLo = _mm256_unpacklo_epi8(x, x), xHi = _mm256_unpackhi_epi8(x, x);
    const __m256i px[4] = {_mm256_unpacklo_epi16(xLo, xLo), _mm256_unpackhi_epi16(xLo, xLo),
                           _mm256_unpacklo_epi16(xHi, xHi), _mm256_unpackhi_epi16(xHi, xHi)};
    // The chains start at their top coefficients (h >= 2), as in hornerSplit.
    __m256i even[4], odd[4], y[4];
    for (int g = 0; g < 4; ++g) {
        even[g] = _mm256_set1_epi32(static_cast<int>(quads[h - 2]));
        odd[g] = _mm256_set1_epi32(static_cast<int>(quads[h - 1]));
        y[g] = mul(px[g], px[g]);
    }
    for (int j = h / 2 - 2; j >= 0; --j) {
        const __m256i ce = _mm256_set1_epi32(static_cast<int>(quads[2 * j]));
        const __m256i co = _mm256_set1_epi32(static_cast<int>(quads[2 * j + 1]));
        for (int g = 0; g < 4; ++g) {
            even[g] = Avx2Ops::bxor(mul(even[g], y[g]), ce);
            odd[g] = Avx2Ops::bxor(mul(odd[g], y[g]), co);
        }
    }
    const __m256i xh = powerOf(x, h), xh2 = mul(xh, xh), xh3 = mul(xh2, xh), one = _mm256_set1_epi8(1);
    const __m256i lo01 = _mm256_unpacklo_epi8(one, xh), hi01 = _mm256_unpackhi_epi8(one, xh);
    const __m256i lo23 = _mm256_unpacklo_epi8(xh2, xh3), hi23 = _mm256_unpackhi_epi8(xh2, xh3);
    const __m256i shift[4] = {_mm256_unpacklo_epi16(lo01, lo23), _mm256_unpackhi_epi16(lo01, lo23),
                              _mm256_unpacklo_epi16(hi01, hi23), _mm256_unpackhi_epi16(hi01, hi23)};
    __m256i v[4];
    for (int g = 0; g < 4; ++g) {
        __m256i q = mul(Avx2Ops::bxor(mul(odd[g], px[g]), even[g]), shift[g]);
        q = Avx2Ops::bxor(q, _mm256_srli_epi32(q, 16));
        q = Avx2Ops::bxor(q, _mm256_srli_epi32(q, 8));
        v[g] = _mm256_and_si256(q, _mm256_set1_epi32(0xFF));
    }
    return _mm256_packus_epi16(_mm256_packus_epi32(v[0], v[1]), _mm256_packus_epi32(v[2], v[3]));
}

void evalPolyBlocks(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount) {
    if (count > kMaxCoefficients) {  // longer than any polynomial of the decoders
        Base::evalPolyBlocks(out, coeffs, count, blocks, blockCount);
        return;
    }
    const AesBasis& basis = aesBasis();
    if (count >= kQuartersFrom && blockCount < 8) {  // pairs by quarters; a last single block by halves, below
        int g = 0;
        for (; g + 2 <= blockCount; g += 2) {
            const __m256i x = pointsOf(blocks + 64 * g, 64, basis.toAes);
            Avx2Ops::storeRows(out + 16 * g, 16, affine(evalQuarters(x, coeffs, count, basis.toAes), basis.toTower));
        }
        if (g == blockCount) return;
        blocks += 64 * g;
        out += 16 * g;
        blockCount = 1;
    }
    alignas(32) uint8_t c[kMaxCoefficients + 64];
    coefficientsToAes(c, coeffs, count, basis.toAes);
    int g = 0;
    for (; g + 8 <= blockCount; g += 8) {  // four vectors side by side
        __m256i x[4], v[4];
        for (int i = 0; i < 4; ++i) x[i] = pointsOf(blocks + 64 * (g + 2 * i), 64, basis.toAes);
        hornerMany<4>(v, x, c, count);
        for (int i = 0; i < 4; ++i) Avx2Ops::storeRows(out + 16 * (g + 2 * i), 16, affine(v[i], basis.toTower));
    }
    if (blockCount % 2 == 1 && count >= kManyChains) {  // a last single block: both halves at work
        --blockCount;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * blockCount),
                         _mm256_castsi256_si128(affine(_mm256_castsi128_si256(evalHalves(blocks + 64 * blockCount, c,
                                                                                          count, basis)),
                                                       basis.toTower)));
    }
    for (; g < blockCount; g += 2) {  // a pair, or a last single block read twice
        const bool pair = g + 1 < blockCount;
        const __m256i x = pointsOf(blocks + 64 * g, pair ? 64 : 0, basis.toAes);
        const __m256i v =
            affine(count >= kManyChains ? hornerSplit<8>(x, c, count) : hornerSplit(x, c, count), basis.toTower);
        if (pair) {
            Avx2Ops::storeRows(out + 16 * g, 16, v);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * g), _mm256_castsi256_si128(v));
        }
    }
}

// The 32 lanes in reverse order.
__m256i reverseLanes(__m256i v) {
    const __m256i reverse16 = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11,
                                               10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, reverse16), 0x4E);
}

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

// One product per lane and coefficient is cheap here: Horner's rule wins.
void evalGeometric(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount, uint8_t) {
    evalPolyBlocks(out, coeffs, count, blocks, blockCount);
}

void evalPoly16(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* block) {
    evalPolyBlocks(out, coeffs, count, block, 1);
}

// XOR of all 32 lanes.
uint8_t xorAcross(__m256i v) {
    __m128i x = _mm_xor_si128(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 8));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 4));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 2));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 1));
    return static_cast<uint8_t>(_mm_cvtsi128_si32(x));
}

// out[i] = in[i] through an affine operand for i < count; writes whole
// vectors, up to count rounded up to 32.
void affineBytesDirect(uint8_t* out, const uint8_t* in, int count, __m256i m) {
    int i = 0;
    for (; i + 32 <= count; i += 32) Avx2Ops::store(out + i, affine(Avx2Ops::load(in + i), m));
    if (i < count) Avx2Ops::store(out + i, affine(loadPartial(in + i, count - i), m));
}

alignas(32) constexpr uint8_t kLaneIndex[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                                16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};

// Lane j of the result: a^j (j < 32), each lane taking a^(2^q) for every
// bit q of j; *a32 receives a^32.
__m256i lanePowers(__m256i a, __m256i* a32) {
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

// M at every point, S interleaved Horner chains per vector of points in
// x^S: chain u takes the coefficients u, u + S, ... of `m`, the message
// (highest power first) with zeros in front up to S*blocks bytes.
template <int NV, int S>
void evalMessage(__m256i* out, const __m256i* x, const uint8_t* m, int blocks) {
    __m256i y[NV], acc[NV][S];
    for (int v = 0; v < NV; ++v) {
        y[v] = x[v];
        for (int s = 1; s < S; s *= 2) y[v] = mul(y[v], y[v]);
        for (int u = 0; u < S; ++u) acc[v][u] = broadcastByte(m + u);  // the first block (blocks >= 1)
    }
    m += S;
    for (int b = 1; b < blocks; ++b, m += S)
        for (int u = 0; u < S; ++u) {
            const __m256i c = broadcastByte(m + u);
            for (int v = 0; v < NV; ++v) acc[v][u] = Avx2Ops::bxor(mul(acc[v][u], y[v]), c);
        }
    // M = sum_u x^(S-1-u) A_u, joined in pairs (a tree of log2 S levels).
    for (int v = 0; v < NV; ++v) {
        __m256i p = x[v];
        for (int n = S; n > 1; n /= 2, p = mul(p, p))
            for (int t = 0; t < n / 2; ++t) acc[v][t] = Avx2Ops::bxor(mul(acc[v][2 * t], p), acc[v][2 * t + 1]);
        out[v] = acc[v][0];
    }
}

// Parity by interpolation instead of a shift register: the parity
// polynomial P (degree < r) has the values P(x_j) = M(x_j) x_j^r at the r
// roots x_j of g, so P = sum_j w_j Q_j with Q_j = g / (x + x_j) and
// w_j = P(x_j) / Q_j(x_j), Q_j(x_j) = g'(x_j). Q_j's coefficient of x^i is
// the sum of g_(i+1+m) x_j^m over m, so P_i = sum_m g_(i+1+m) T_m with the
// power sums T_m = sum_j w_j x_j^m: one more polynomial evaluation (the
// roots are geometric) and a Toeplitz product with g, 32 roots or
// coefficients per vector throughout. Only the evaluation of M depends on
// the message length, and everything that depends on the code alone runs
// beside it.
template <int NV>
void encodeParityWith(uint8_t* parity, const uint8_t* message, int k, int r, const uint8_t* generator, uint8_t root,
                      uint8_t ratio, const FastTableRecord& field) {
    constexpr int S = NV == 1 ? 8 : NV == 2 ? 4 : NV <= 4 ? 2 : 1;
    const __m256i toAes = _mm256_set1_epi64x(static_cast<long long>(field.toGfni));
    const __m256i fromAes = _mm256_set1_epi64x(static_cast<long long>(field.fromGfni));

    // The roots x_j = root * z_j with z_j = ratio^j, zero in the lanes past r
    // (a zero point gets weight 0).
    __m256i x[NV], z[NV], step;
    const __m256i rootAes = affine(_mm256_set1_epi8(static_cast<char>(root)), toAes);
    z[0] = lanePowers(affine(_mm256_set1_epi8(static_cast<char>(ratio)), toAes), &step);
    for (int v = 1; v < NV; ++v) z[v] = mul(z[v - 1], step);
    for (int v = 0; v < NV; ++v) x[v] = mul(rootAes, z[v]);
    const __m256i lanes = Avx2Ops::load(kLaneIndex);
    __m256i live[NV];
    for (int v = 0; v < NV; ++v) {
        live[v] = _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(std::min(r - 32 * v, 32))), lanes);
        x[v] = _mm256_and_si256(x[v], live[v]);
    }

    alignas(32) uint8_t g[256 + 32 * 10];
    affineBytesDirect(g, generator, r + 1, toAes);
    uint8_t* past = g + (r + 32) / 32 * 32;
    for (int j = 0; j <= NV; ++j) _mm256_storeu_si256(reinterpret_cast<__m256i*>(past) + j, _mm256_setzero_si256());
    // f_j = 1 / g'(x_j), 0 past r; g'(x) = D(x^2) with D's coefficients d_t =
    // g_(2t+1), in four chains (t mod 4) in x^8.
    __m256i f[NV];
    const int terms = (r + 1) / 2;
    for (int v = 0; v < NV; ++v) {
        const __m256i y = mul(x[v], x[v]);
        const __m256i y2 = mul(y, y), y4 = mul(y2, y2);
        const int top = (terms - 1) / 4;
        __m256i c[4];
        for (int t = 0; t < 4; ++t)
            c[t] = 4 * top + t < terms ? broadcastByte(g + 8 * top + 2 * t + 1) : _mm256_setzero_si256();
        for (int b = top - 1; b >= 0; --b)
            for (int t = 0; t < 4; ++t)
                if (4 * b + t < terms) c[t] = Avx2Ops::bxor(mul(c[t], y4), broadcastByte(g + 8 * b + 2 * t + 1));
        const __m256i high = Avx2Ops::bxor(mul(c[3], y), c[2]), low = Avx2Ops::bxor(mul(c[1], y), c[0]);
        const __m256i d = Avx2Ops::bxor(mul(high, y2), low);
        f[v] = _mm256_and_si256(inverse(d), live[v]);
    }
    // M(x) x^r at the roots: the codeword with zero parity, a word of 255
    // bytes (k + r = 255), evaluated as wordSyndromes does.
    alignas(32) uint8_t runs[64 * 5], rows[32 * kRowGroups];
    wordRuns(runs, message, k, [&](__m256i v) { return affine(v, toAes); });
    rowValues(rows, runs, x[0]);
    __m256i w[NV];
    for (int v = 0; v < NV; ++v) w[v] = mul(valuesAt(rows, x[v], 32 * v), f[v]);

    // Power sums T_m = sum_j w_j x_j^m = root^m W(ratio^m), W(y) = sum_j w_j y^j
    // (the weights, highest power first, are the lanes in reverse).
    alignas(32) uint8_t buf[32 * NV + 32];
    for (int v = 0; v < NV; ++v) Avx2Ops::store(buf + 32 * (NV - 1 - v), reverseLanes(w[v]));
    __m256i t[NV], rootStep;
    evalMessage<NV, S>(t, z, buf, 32 * NV / S);
    __m256i rootPowers = lanePowers(rootAes, &rootStep);
    for (int v = 0; v < NV; ++v, rootPowers = mul(rootPowers, rootStep)) t[v] = mul(t[v], rootPowers);
    for (int v = 0; v < NV; ++v) Avx2Ops::store(buf + 32 * v, t[v]);

    // P = sum_j w_j g(x) / (x + x_j), so P_i = sum_m g_(i+1+m) T_m, m < r - i:
    // lane i of vector c takes g_(i+1+m) from the generator read at 1 + m + 32c
    // (zero past g_r).
    // The terms m = 0 and 1 start the sums (for r = 1 the second is zero: g
    // is zero past g_r).
    __m256i even[NV], odd[NV];
    for (int c = 0; c < NV; ++c) {
        even[c] = mul(broadcastByte(buf), Avx2Ops::load(g + 1 + 32 * c));
        odd[c] = mul(broadcastByte(buf + 1), Avx2Ops::load(g + 2 + 32 * c));
    }
    int i = 2;
    for (; i + 1 < r; i += 2) {
        const __m256i t0 = broadcastByte(buf + i), t1 = broadcastByte(buf + i + 1);
        for (int c = 0; c < NV; ++c) {
            even[c] = Avx2Ops::bxor(even[c], mul(t0, Avx2Ops::load(g + 1 + i + 32 * c)));
            odd[c] = Avx2Ops::bxor(odd[c], mul(t1, Avx2Ops::load(g + 2 + i + 32 * c)));
        }
    }
    if (i < r) {
        const __m256i t0 = broadcastByte(buf + i);
        for (int c = 0; c < NV; ++c) even[c] = Avx2Ops::bxor(even[c], mul(t0, Avx2Ops::load(g + 1 + i + 32 * c)));
    }
    // Parity byte p is P_(r-1-p): byte t of `high` is P_(32 NV - 1 - t).
    alignas(32) uint8_t high[32 * NV];
    for (int c = 0; c < NV; ++c)
        Avx2Ops::store(high + 32 * (NV - 1 - c), affine(reverseLanes(Avx2Ops::bxor(even[c], odd[c])), fromAes));
    std::memcpy(parity, high + 32 * NV - r, size_t(r));
}

void encodeParity(uint8_t* parity, const uint8_t* message, int k, int r, const uint8_t* generator, uint8_t root,
                  uint8_t ratio, const FastTableRecord& field) {
    switch ((r + 31) / 32) {
        case 1: return encodeParityWith<1>(parity, message, k, r, generator, root, ratio, field);
        case 2: return encodeParityWith<2>(parity, message, k, r, generator, root, ratio, field);
        case 3: return encodeParityWith<3>(parity, message, k, r, generator, root, ratio, field);
        case 4: return encodeParityWith<4>(parity, message, k, r, generator, root, ratio, field);
        case 5: return encodeParityWith<5>(parity, message, k, r, generator, root, ratio, field);
        case 6: return encodeParityWith<6>(parity, message, k, r, generator, root, ratio, field);
        case 7: return encodeParityWith<7>(parity, message, k, r, generator, root, ratio, field);
        default: return encodeParityWith<8>(parity, message, k, r, generator, root, ratio, field);
    }
}

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

// Sum of a[i]*b[i] over the whole groups: one product per lane in the AES
// basis, the sum's lanes taken back to the tower basis (the change of basis
// is linear, so it may come before the XOR across the lanes).
uint8_t dot(const uint8_t* a, const uint8_t* b, int len) {
    const AesBasis& basis = aesBasis();
    const int end = groupBytes(len);
    if (end == 16) {  // one group: 128-bit forms, no fold of the upper half
        const __m128i toAes = _mm256_castsi256_si128(basis.toAes);
        const __m128i x = _mm_gf2p8affine_epi64_epi8(Ssse3Ops::load(a), toAes, 0);
        const __m128i y = _mm_gf2p8affine_epi64_epi8(Ssse3Ops::load(b), toAes, 0);
        return xorAcross(_mm256_zextsi128_si256(
            _mm_gf2p8affine_epi64_epi8(_mm_gf2p8mul_epi8(x, y), _mm256_castsi256_si128(basis.toTower), 0)));
    }
    __m256i acc = _mm256_setzero_si256();
    int i = 0;
    for (; i + 32 <= end; i += 32)
        acc = Avx2Ops::bxor(acc, mul(affine(Avx2Ops::load(a + i), basis.toAes), affine(Avx2Ops::load(b + i), basis.toAes)));
    if (i < end) {
        const __m256i x = _mm256_zextsi128_si256(Ssse3Ops::load(a + i));
        const __m256i y = _mm256_zextsi128_si256(Ssse3Ops::load(b + i));
        acc = Avx2Ops::bxor(acc, mul(affine(x, basis.toAes), affine(y, basis.toAes)));
    }
    return xorAcross(affine(acc, basis.toTower));
}

uint8_t mulAddDot(uint8_t* inout, const uint8_t* in, int len, uint8_t c, const uint8_t* other, int dotLen) {
    Base::mulAddConst(inout, in, len, c);
    return dot(inout, other, dotLen);
}

// Both polynomials at each vector of points, taken into the AES basis once.
void evalPairAt(uint8_t* outA, const uint8_t* a, int aCount, uint8_t* outB, const uint8_t* b, int bCount,
                const uint8_t* points, int count, uint8_t* work) {
    if (aCount > kMaxCoefficients || bCount > kMaxCoefficients) {
        Base::evalPairAt(outA, a, aCount, outB, b, bCount, points, count, work);
        return;
    }
    const AesBasis& basis = aesBasis();
    alignas(32) uint8_t ca[kMaxCoefficients + 64], cb[kMaxCoefficients + 64];
    coefficientsToAes(ca, a, aCount, basis.toAes);
    coefficientsToAes(cb, b, bCount, basis.toAes);
    const int end = groupBytes(count);
    for (int at = 0; at < end; at += 32) {
        const bool whole = at + 32 <= end;
        const __m256i p = whole ? Avx2Ops::load(points + at) : _mm256_zextsi128_si256(Ssse3Ops::load(points + at));
        const __m256i x = affine(p, basis.toAes);
        const __m256i va = affine(hornerSplit(x, ca, aCount), basis.toTower);
        const __m256i vb = affine(hornerSplit(x, cb, bCount), basis.toTower);
        if (whole) {
            Avx2Ops::store(outA + at, va);
            Avx2Ops::store(outB + at, vb);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(outA + at), _mm256_castsi256_si128(va));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(outB + at), _mm256_castsi256_si128(vb));
        }
    }
}

// The product of polynomials as in the other variants (each group summed in
// a register over the shifts j of a padded copy of a), with one product per
// lane in the AES basis; short multipliers keep the table form, whose setup
// is cheaper.
void polyMul(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen) {
    const int end = groupBytes(aLen + sLen - 1);
    const int aEnd = groupBytes(aLen);
    constexpr int kPad = 256;
    if (aEnd > 256 || sLen > kPad || sLen < 8) {
        Base::polyMul(out, a, aLen, s, sLen);
        return;
    }
    const AesBasis& basis = aesBasis();
    alignas(32) uint8_t pad[kPad + 512 + 32];
    std::memset(pad + kPad - (sLen - 1), 0, size_t(sLen - 1));
    for (int i = 0; i < aEnd; i += 16)
        _mm_store_si128(reinterpret_cast<__m128i*>(pad + kPad + i),
                        _mm256_castsi256_si128(affine(_mm256_zextsi128_si256(Ssse3Ops::load(a + i)), basis.toAes)));
    std::memset(pad + kPad + aEnd, 0, size_t(end - aEnd + 16));  // a last half group reads 16 more
    alignas(32) uint8_t sa[256 + 32];
    std::memcpy(sa, s, size_t(sLen));  // s itself is readable only up to sLen
    std::memset(sa + sLen, 0, 32);
    for (int i = 0; i < sLen; i += 32) Avx2Ops::store(sa + i, affine(Avx2Ops::load(sa + i), basis.toAes));
    for (int at = 0; at < end; at += 32) {
        const int first = std::max(0, at - aEnd + 1), last = std::min(sLen - 1, at + 31);
        __m256i acc = _mm256_setzero_si256();
        for (int j = first; j <= last; ++j)
            acc = Avx2Ops::bxor(acc, mul(Avx2Ops::load(pad + kPad + at - j), broadcastByte(sa + j)));
        acc = affine(acc, basis.toTower);
        if (at + 32 <= end) {
            Avx2Ops::store(out + at, acc);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm256_castsi256_si128(acc));
        }
    }
}

// p(x) becomes p(x) (1 + f x), with x p every byte one lane up, across the
// halves and the registers.
inline void timesLinear(__m256i& lo, __m256i& hi, __m256i f) {
    const __m256i upLo = _mm256_alignr_epi8(lo, _mm256_permute2x128_si256(lo, lo, 0x08), 15);
    const __m256i upHi = _mm256_alignr_epi8(hi, _mm256_permute2x128_si256(hi, lo, 0x03), 15);
    lo = Avx2Ops::bxor(lo, mul(upLo, f));
    hi = Avx2Ops::bxor(hi, mul(upHi, f));
}

// x^D * p for the polynomial in lo and hi, from the registers' lower
// neighbours (pl, ph as timesLinear forms them); D < 16.
template <int D>
inline __m256i shiftedLo(__m256i lo, __m256i pl) { return _mm256_alignr_epi8(lo, pl, 16 - D); }
template <int D>
inline __m256i shiftedHi(__m256i hi, __m256i ph) { return _mm256_alignr_epi8(hi, ph, 16 - D); }

// Up to 64 coefficients: the polynomial stays in two registers in the AES
// basis. Capped, the step-by-step form writes G = groupBytes(cap + 2) bytes,
// the product mod x^G; the registers hold it mod x^64, so the same G bytes
// come out. The factors go four at a time: each four's
// product 1 + e1 x + ... + e4 x^4 is formed on its own (the fours are
// independent of each other and of p), and p takes it in one step of four
// shifted copies, four products and their sum, so the chain through p is a
// quarter as long.
void mulLinearRun(uint8_t* p, int degree, const uint8_t* cs, int count, int cap) {
    const int top = std::min(degree + count, cap + 1);  // the last coefficient written
    if (top >= 64 || count >= 64 || degree > cap) {
        Base::mulLinearRun(p, degree, cs, count, cap);
        return;
    }
    const AesBasis& basis = aesBasis();
    alignas(32) uint8_t buf[64], c[64];
    __m256i c0, c1;
    loadUpTo64(c0, c1, cs, count, basis.toAes);
    Avx2Ops::store(c, c0);
    Avx2Ops::store(c + 32, c1);
    const int fours = count / 4;
    alignas(32) uint8_t e[16][32];  // count < 64: at most 15 fours
    for (int q = 0; q < fours; ++q) {
        __m256i f = _mm256_setr_epi64x(1, 0, 0, 0), unused = _mm256_setzero_si256();  // 1 is 1 in every basis
        for (int t = 0; t < 4; ++t) timesLinear(f, unused, broadcastByte(c + 4 * q + t));
        Avx2Ops::store(e[q], f);
    }
    __m256i lo, hi;
    loadUpTo64(lo, hi, p, groupBytes(degree + 1), basis.toAes);
    for (int q = 0; q < fours; ++q) {
        const __m256i pl = _mm256_permute2x128_si256(lo, lo, 0x08), ph = _mm256_permute2x128_si256(hi, lo, 0x03);
        const __m256i e1 = broadcastByte(e[q] + 1), e2 = broadcastByte(e[q] + 2), e3 = broadcastByte(e[q] + 3),
                      e4 = broadcastByte(e[q] + 4);
        const __m256i lo12 = Avx2Ops::bxor(mul(shiftedLo<1>(lo, pl), e1), mul(shiftedLo<2>(lo, pl), e2));
        const __m256i lo34 = Avx2Ops::bxor(mul(shiftedLo<3>(lo, pl), e3), mul(shiftedLo<4>(lo, pl), e4));
        const __m256i hi12 = Avx2Ops::bxor(mul(shiftedHi<1>(hi, ph), e1), mul(shiftedHi<2>(hi, ph), e2));
        const __m256i hi34 = Avx2Ops::bxor(mul(shiftedHi<3>(hi, ph), e3), mul(shiftedHi<4>(hi, ph), e4));
        lo = Avx2Ops::bxor(lo, Avx2Ops::bxor(lo12, lo34));
        hi = Avx2Ops::bxor(hi, Avx2Ops::bxor(hi12, hi34));
    }
    for (int i = 4 * fours; i < count; ++i) timesLinear(lo, hi, broadcastByte(c + i));
    Avx2Ops::store(buf, affine(lo, basis.toTower));
    Avx2Ops::store(buf + 32, affine(hi, basis.toTower));
    std::memcpy(p, buf, size_t(groupBytes(top + 1)));
}

// The received word as R(x), reversed and in the tower basis in one pass;
// a word shorter than a vector, or a matrix that differs between lanes, by
// the byte loop and the general conversion.
void convertReversed(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) {
    const int end = groupBytes(len);
    if (len < 32 || !rowsAreBroadcast(matrix)) {
        for (int i = 0; i < len; ++i) out[i] = in[len - 1 - i];
        for (int i = len; i < end; ++i) out[i] = 0;
        convert(out, out, len, matrix);
        return;
    }
    const __m256i m = _mm256_set1_epi64x(static_cast<long long>(affineOperand(matrix)));
    int i = 0;
    for (; i + 32 <= len; i += 32) Avx2Ops::store(out + i, affine(reverseLanes(Avx2Ops::load(in + len - i - 32)), m));
    if (i < len) Avx2Ops::store(out + len - 32, affine(reverseLanes(Avx2Ops::load(in)), m));  // the last 32, again
    for (i = len; i < end; ++i) out[i] = 0;
}

// The roots among gamma^1 ... gamma^255 of a polynomial (count <= 512
// coefficients): its values at all 256 points of the Chien blocks, eight
// vectors side by side, and the zero lanes straight from the comparisons;
// zero is zero in every basis, so the values never leave the AES basis.
int chienRoots(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks) {
    const AesBasis& basis = aesBasis();
    alignas(32) uint8_t c[kMaxCoefficients + 64];
    coefficientsToAes(c, coeffs, count, basis.toAes);
    __m256i x[8], v[8];
    for (int i = 0; i < 8; ++i) x[i] = pointsOf(blocks + 128 * i, 64, basis.toAes);
    hornerMany<8>(v, x, c, count);
    int found = 0;
    for (int i = 0; i < 8; ++i) {
        auto zeros = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v[i], _mm256_setzero_si256())));
        if (i == 0) zeros &= ~1u;  // gamma^0 is gamma^255, not a position
        for (; zeros != 0; zeros &= zeros - 1) out[found++] = uint8_t(255 - 32 * i - __builtin_ctz(zeros));
    }
    return found;
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

// Berlekamp-Massey's iteration without a sum across lanes in its chain, and
// without a branch. With <P, t> = sum_j P_j S_(t-j) (S_0 = 1, S_q = 0 for
// q < 0), step t's discrepancy is <Lambda, t>. Two sequences are carried
// along, element i of each in lane i:
//   U_i = <Lambda, t + i>   and   V_i = <B, t + i>,
// so the discrepancy is U_0, and as Lambda += delta B and B becomes x B or
// x delta^-1 Lambda they follow as U <- (U + delta V) one lane down and
// V <- V or delta^-1 U (<x P, t + 1 + i> = <P, t + i>). At the start U_i
// and V_i are coefficients t0 + i and t0 - 1 + i of Gamma S. Lambda and B
// are updated alongside, so Lambda comes out as the shared iteration gives
// it, and Omega = Lambda S mod x^(r+1) follows; everything is in the AES
// basis. The lengths ride in every lane as well: `length`, and `candidate`
// = t - mark - 1, the length a change at step t would give.
//
// Lambda, B and Omega take N registers (r < 32 N), the sequences M (r <= 32 M:
// lanes up to r - t0 are read).
template <int N, int M>
void berlekampMasseyIn(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* syndromes, int r,
                       const AesBasis& basis) {
    const int t0 = gammaDegree + 1;
    // S_0 ... S_r at syn + 64, zero below and above up to syn + 192: a read
    // of M registers starts at most t0 <= 63 bytes past syn + 64.
    alignas(32) uint8_t syn[64 + 64 + 64], buf[64];
    const __m256i zero = _mm256_setzero_si256();
    __m256i lo, hi;
    loadUpTo64(lo, hi, syndromes, r + 1, basis.toAes);
    Avx2Ops::store(syn, zero);
    Avx2Ops::store(syn + 32, zero);
    Avx2Ops::store(syn + 64, lo);
    Avx2Ops::store(syn + 96, hi);
    Avx2Ops::store(syn + 128, zero);
    Avx2Ops::store(syn + 160, zero);
    loadUpTo64(lo, hi, lambda, gammaDegree + 1, basis.toAes);
    Avx2Ops::store(buf, lo);
    Avx2Ops::store(buf + 32, hi);
    Lanes<N> lam = Lanes<N>::load(buf);
    Lanes<N> b = lam.shiftUp();  // B = x * Gamma
    Lanes<M> u = Lanes<M>::load(syn + 64 + t0).times(broadcastByte(buf));
    for (int j = 1; j <= gammaDegree && t0 <= r; ++j)  // no steps: no sequence
        u.add(Lanes<M>::load(syn + 64 + t0 - j).times(broadcastByte(buf + j)));
    // V is kept one lane down, as the next U needs it: V_(i+1) is
    // coefficient t0 + i of Gamma S, so it starts as U (its top lane, which
    // would be zero, reaches lane 0 only after step r).
    Lanes<M> vDown = u;
    const __m256i identity = _mm256_set1_epi64x(0x0102040810204080), one = _mm256_set1_epi8(1);
    __m256i length = _mm256_set1_epi8(static_cast<char>(gammaDegree)), candidate = _mm256_set1_epi8(static_cast<char>(t0));
    for (int t = t0; t <= r; ++t) {
        const __m256i delta = _mm256_broadcastb_epi8(_mm256_castsi256_si128(u.v[0]));
        const __m256i grow = _mm256_andnot_si256(_mm256_cmpeq_epi8(delta, zero), _mm256_cmpgt_epi8(candidate, length));
        const __m256i inverse = _mm256_gf2p8affineinv_epi64_epi8(delta, identity, 0);
        const Lanes<M> uDown = u.shiftDown();  // beside the broadcast, off the chain from U_0 to U_0
        Lanes<M> nextU = uDown;
        nextU.add(vDown.times(delta));
        const Lanes<N> freshB = lam.times(inverse);  // delta^-1 Lambda, before the update
        vDown = vDown.select(uDown.times(inverse), grow);
        lam.add(b.times(delta));
        b = b.select(freshB, grow).shiftUp();
        u = nextU;
        const __m256i nextLength = _mm256_blendv_epi8(length, candidate, grow);
        candidate = _mm256_add_epi8(_mm256_blendv_epi8(candidate, length, grow), one);
        length = nextLength;
    }
    // Omega: the products lambda_j S shifted by j, cut at x^r.
    alignas(32) uint8_t out[64] = {};
    lam.store(out);
    int degree = 32 * N - 1;
    while (degree > 0 && out[degree] == 0) --degree;
    Lanes<N> w = Lanes<N>::load(syn + 64).times(broadcastByte(out));
    for (int j = 1; j <= degree; ++j) w.add(Lanes<N>::load(syn + 64 - j).times(broadcastByte(out + j)));
    const __m256i limit = _mm256_set1_epi8(static_cast<char>(r + 1));
    for (int i = 0; i < N; ++i) {
        const __m256i index = _mm256_add_epi8(Avx2Ops::load(kLaneIndex), _mm256_set1_epi8(static_cast<char>(32 * i)));
        w.v[i] = _mm256_and_si256(w.v[i], _mm256_cmpgt_epi8(limit, index));
    }
    lam.affineEach(basis.toTower);
    w.affineEach(basis.toTower);
    lam.store(out);
    std::memcpy(lambda, out, size_t(groupBytes(r + 1)));
    w.store(out);
    std::memcpy(omega, out, size_t(groupBytes(r + 1)));
}

bool berlekampMassey(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* syndromes, int r) {
    if (r > kMaxSolverRedundancy) return false;
    if (r < 32)
        berlekampMasseyIn<1, 1>(lambda, omega, gammaDegree, syndromes, r, aesBasis());
    else if (r == 32)
        berlekampMasseyIn<2, 1>(lambda, omega, gammaDegree, syndromes, r, aesBasis());
    else
        berlekampMasseyIn<2, 2>(lambda, omega, gammaDegree, syndromes, r, aesBasis());
    return true;
}

// Lane i of p (i < 32 N) in every lane: its double word to every position,
// then the byte within it.
template <int N>
inline __m256i laneAt(const Lanes<N>& p, int i) {
    const __m256i v = i < 32 ? p.v[0] : p.v[N - 1];
    const int k = i & 31;
    const __m256i word = _mm256_permutevar8x32_epi32(v, _mm256_set1_epi32(k >> 2));
    return _mm256_shuffle_epi8(word, _mm256_set1_epi8(static_cast<char>(k & 3)));
}

// The highest lane of p below `below` that is not zero, 0 where none is.
template <int N>
inline int topLane(const Lanes<N>& p, int below) {
    uint64_t nonzero = 0;
    for (int i = 0; i < N; ++i) {
        const unsigned zeros = unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(p.v[i], _mm256_setzero_si256())));
        nonzero |= uint64_t(~zeros) << (32 * i);
    }
    if (below < 64) nonzero &= (uint64_t(1) << below) - 1;
    return nonzero == 0 ? 0 : 63 - __builtin_clzll(nonzero);
}

// Whether lane i of p (i < 32 N) is zero.
template <int N>
inline bool laneIsZero(const Lanes<N>& p, int i) {
    const __m256i v = i < 32 ? p.v[0] : p.v[N - 1];
    const unsigned zeros = unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())));
    return (zeros >> (i & 31)) & 1;
}

// The extended Euclidean algorithm of rs/decode/euclid.h with every
// polynomial in N registers (degrees up to 32 N - 1), in the AES basis. A
// division lines the divisor and the current cofactor up under the
// dividend's top coefficient, then steps them down one lane per quotient
// coefficient; each coefficient's multiples join the remainder and the next
// cofactor without leaving the registers.
template <int N>
void euclidIn(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta, int r,
              const AesBasis& basis) {
    alignas(32) uint8_t buf[64] = {};
    __m256i lo, hi;
    buf[r + 1] = 1;  // x^(r+1); 1 is 1 in every basis
    Lanes<N> dividend = Lanes<N>::load(buf), divisor, prev{}, cur{};
    loadUpTo64(lo, hi, t, tDegree + 1, basis.toAes);
    divisor.v[0] = lo;
    if (N > 1) divisor.v[N - 1] = hi;
    cur.v[0] = _mm256_setr_epi64x(1, 0, 0, 0);
    // The leading coefficients travel as broadcasts: each quotient
    // coefficient's lane below comes from the lane before the step plus one
    // product, so no lane is fetched on the chain from one coefficient (or
    // one division) to the next.
    int dividendDegree = r + 1, divisorDegree = tDegree;
    __m256i dividendLead = _mm256_set1_epi8(1), divisorLead = laneAt(divisor, tDegree);
    while (divisorDegree > delta) {
        const int dv = divisorDegree;  // >= 1, as delta >= 0
        const __m256i leadInverse = inverse(divisorLead), second = laneAt(divisor, dv - 1);
        Lanes<N> under = divisor, cofactor = cur, next = prev;
        for (int s = dividendDegree - dv; s > 0; --s) {
            under = under.shiftUp();
            cofactor = cofactor.shiftUp();
        }
        __m256i lead = dividendLead;  // lane i of the dividend
        for (int i = dividendDegree;; --i) {  // quotient coefficient x^(i - dv)
            const __m256i q = mul(lead, leadInverse), below = laneAt(dividend, i - 1);
            dividend.add(under.times(q));
            next.add(cofactor.times(q));
            lead = Avx2Ops::bxor(below, mul(second, q));  // lane i - 1, the divisor's second under it
            if (i == dv) break;
            under = under.shiftDown();
            cofactor = cofactor.shiftDown();
        }
        // The remainder becomes the divisor, the divisor the dividend. Its
        // degree is nearly always dv - 1: a branch on that, which the CPU
        // predicts, keeps the lane search off the chain.
        dividendLead = divisorLead;
        if (__builtin_expect(laneIsZero(dividend, dv - 1), 0)) {
            divisorDegree = topLane(dividend, dv - 1);
            divisorLead = laneAt(dividend, divisorDegree);
        } else {
            divisorDegree = dv - 1;
            divisorLead = lead;
        }
        dividendDegree = dv;
        std::swap(dividend, divisor);
        prev = cur;
        cur = next;
    }
    cur.affineEach(basis.toTower);
    divisor.affineEach(basis.toTower);
    alignas(32) uint8_t out[64];
    cur.store(out);
    std::memcpy(sigma, out, size_t(groupBytes(r + 1)));
    divisor.store(out);
    std::memcpy(omega, out, size_t(groupBytes(r + 1)));
}

bool euclid(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta, int r) {
    if (r > kMaxSolverRedundancy) return false;
    if (r + 1 < 32)
        euclidIn<1>(sigma, omega, t, tDegree, delta, r, aesBasis());
    else
        euclidIn<2>(sigma, omega, t, tDegree, delta, r, aesBasis());
    return true;
}

}  // namespace

namespace gfni {

void convert(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) { tower::convert(out, in, len, matrix); }
void evalPoly16(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* block) {
    tower::evalPoly16(out, coeffs, count, block);
}
void evalPolyBlocks(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount) {
    tower::evalPolyBlocks(out, coeffs, count, blocks, blockCount);
}
void evalGeometric(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount,
                   uint8_t ratio) {
    tower::evalGeometric(out, coeffs, count, blocks, blockCount, ratio);
}
void encodeParity(uint8_t* parity, const uint8_t* message, int k, int r, const uint8_t* generator, uint8_t root,
                  uint8_t ratio, const FastTableRecord& field) {
    tower::encodeParity(parity, message, k, r, generator, root, ratio, field);
}
void errataSyndromes(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int count, int b, int r,
                     const uint8_t* towerPow) {
    tower::errataSyndromes(out, exps, logs, count, b, r, towerPow);
}
uint8_t dot(const uint8_t* a, const uint8_t* b, int len) { return tower::dot(a, b, len); }
uint8_t mulAddDot(uint8_t* inout, const uint8_t* in, int len, uint8_t c, const uint8_t* other, int dotLen) {
    return tower::mulAddDot(inout, in, len, c, other, dotLen);
}
void evalPairAt(uint8_t* outA, const uint8_t* a, int aCount, uint8_t* outB, const uint8_t* b, int bCount,
                const uint8_t* points, int count, uint8_t* work) {
    tower::evalPairAt(outA, a, aCount, outB, b, bCount, points, count, work);
}
void polyMul(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen) { tower::polyMul(out, a, aLen, s, sLen); }
void mulLinearRun(uint8_t* p, int degree, const uint8_t* cs, int count, int cap) {
    tower::mulLinearRun(p, degree, cs, count, cap);
}
bool berlekampMassey(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* syndromes, int r) {
    return tower::berlekampMassey(lambda, omega, gammaDegree, syndromes, r);
}
int chienRoots(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks) {
    return tower::chienRoots(out, coeffs, count, blocks);
}
void convertReversed(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) {
    tower::convertReversed(out, in, len, matrix);
}
bool euclid(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta, int r) {
    return tower::euclid(sigma, omega, t, tDegree, delta, r);
}
void wordSyndromes(uint8_t* out, const uint8_t* word, const uint8_t* matrix, const uint8_t* blocks, int r) {
    tower::wordSyndromes(out, word, matrix, blocks, r);
}

}  // namespace gfni

constinit const TowerKernels towerGfni =
    gfni::withGfniKernels(makeKernels<Avx2Ops, Ssse3Ops>("gfni", simd::kCpuSsse3 | simd::kCpuAvx2 | simd::kCpuGfni));

}  // namespace vekdi::tower
