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
#include <cstring>

#include "rs/tower/fast_tables.h"
#include "rs/tower/gfni_kernels.h"
#include "rs/tower/kernel_body.h"
#include "rs/tower/ops_x86.h"

namespace vekdi::tower {
namespace {

using Base = Body<Avx2Ops, Ssse3Ops>;

// GF2P8AFFINEQB operand for a matrix given by columns (row j of `columns`
// holds, in every lane, the image of bit j): byte 7 - i selects the input
// bits that make output bit i.
uint64_t affineOperand(const uint8_t* columns) {
    uint64_t m = 0;
    for (int i = 0; i < 8; ++i) {
        unsigned row = 0;
        for (int j = 0; j < 8; ++j) row |= ((columns[16 * j] >> i) & 1u) << j;
        m |= uint64_t(row) << (8 * (7 - i));
    }
    return m;
}

// True when every row repeats one byte in all 16 lanes.
bool rowsAreBroadcast(const uint8_t* matrix) {
    for (int j = 0; j < 8; ++j) {
        const __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(matrix + 16 * j));
        const __m128i first = _mm_shuffle_epi8(row, _mm_setzero_si128());
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(row, first)) != 0xFFFF) return false;
    }
    return true;
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
void coefficientsToAes(uint8_t* dst, const uint8_t* coeffs, int count, __m256i toAes) {
    int i = 0;
    for (; i + 32 <= count; i += 32) Avx2Ops::store(dst + i, affine(Avx2Ops::load(coeffs + i), toAes));
    alignas(32) uint8_t tail[32] = {};
    std::memcpy(tail, coeffs + i, size_t(count - i));
    Avx2Ops::store(dst + i, affine(Avx2Ops::load(tail), toAes));
    Avx2Ops::store(dst + i + 32, _mm256_setzero_si256());
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

// Value at one vector of points with four independent chains:
// p(x) = sum_t x^t p_t(x^4), p_t holding the coefficients t, t + 4, ...
__m256i hornerSplit(__m256i x, const uint8_t* c, int count) {
    const __m256i x4 = mul(mul(x, x), mul(x, x));
    __m256i a[4] = {};
    for (int i = (count + 3) / 4 - 1; i >= 0; --i)
        for (int t = 0; t < 4; ++t) a[t] = Avx2Ops::bxor(mul(a[t], x4), broadcastByte(c + 4 * i + t));
    __m256i r = a[3];
    for (int t = 2; t >= 0; --t) r = Avx2Ops::bxor(mul(r, x), a[t]);
    return r;
}

constexpr int kMaxCoefficients = 512;

void evalPolyBlocks(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount) {
    if (count > kMaxCoefficients) {  // longer than any polynomial of the decoders
        Base::evalPolyBlocks(out, coeffs, count, blocks, blockCount);
        return;
    }
    const AesBasis& basis = aesBasis();
    alignas(32) uint8_t c[kMaxCoefficients + 64];
    coefficientsToAes(c, coeffs, count, basis.toAes);
    int g = 0;
    for (; g + 8 <= blockCount; g += 8) {  // four vectors side by side
        __m256i x[4], v[4];
        for (int i = 0; i < 4; ++i) x[i] = pointsOf(blocks + 64 * (g + 2 * i), 64, basis.toAes);
        hornerMany<4>(v, x, c, count);
        for (int i = 0; i < 4; ++i) Avx2Ops::storeRows(out + 16 * (g + 2 * i), 16, affine(v[i], basis.toTower));
    }
    for (; g < blockCount; g += 2) {  // a pair, or a last single block read twice
        const bool pair = g + 1 < blockCount;
        const __m256i x = pointsOf(blocks + 64 * g, pair ? 64 : 0, basis.toAes);
        const __m256i v = affine(hornerSplit(x, c, count), basis.toTower);
        if (pair) {
            Avx2Ops::storeRows(out + 16 * g, 16, v);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * g), _mm256_castsi256_si128(v));
        }
    }
}

// One product per lane and coefficient is cheap here: Horner's rule wins.
void evalGeometric(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount, uint8_t) {
    evalPolyBlocks(out, coeffs, count, blocks, blockCount);
}

void evalPoly16(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* block) {
    evalPolyBlocks(out, coeffs, count, block, 1);
}

// Bytes in[0 ... count) through an affine operand into out (room for
// count rounded up to 32).
void affineBytes(uint8_t* out, const uint8_t* in, int count, __m256i m) {
    int i = 0;
    for (; i + 32 <= count; i += 32) Avx2Ops::store(out + i, affine(Avx2Ops::load(in + i), m));
    if (i < count) {
        alignas(32) uint8_t tail[32] = {};
        std::memcpy(tail, in + i, size_t(count - i));
        Avx2Ops::store(out + i, affine(Avx2Ops::load(tail), m));
    }
}

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

__m256i powerOf(__m256i x, int e) {
    __m256i r = _mm256_set1_epi8(1);  // 1 is 1 in every basis
    for (__m256i b = x; e > 0; e >>= 1, b = mul(b, b))
        if (e & 1) r = mul(r, b);
    return r;
}

inline __m256i inverse(__m256i v) {  // 0 stays 0
    return _mm256_gf2p8affineinv_epi64_epi8(v, _mm256_set1_epi64x(0x0102040810204080LL), 0);
}

// The 32 lanes in reverse order.
__m256i reverseLanes(__m256i v) {
    const __m256i reverse16 = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11,
                                               10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, reverse16), 0x4E);
}

// M at every point, S interleaved Horner chains per vector of points in
// x^S: chain u takes the coefficients u, u + S, ... of `m`, the message
// (highest power first) with zeros in front up to S*blocks bytes.
template <int NV, int S>
void evalMessage(__m256i* out, const __m256i* x, const uint8_t* m, int blocks) {
    __m256i y[NV], acc[NV][S] = {};
    for (int v = 0; v < NV; ++v) {
        y[v] = x[v];
        for (int s = 1; s < S; s *= 2) y[v] = mul(y[v], y[v]);
    }
    for (int b = 0; b < blocks; ++b, m += S)
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
    for (int v = 0; v < NV; ++v) {
        const int live = r - 32 * v < 32 ? r - 32 * v : 32;
        x[v] = _mm256_and_si256(x[v], _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(live)), lanes));
    }

    alignas(32) uint8_t g[256 + 32 * 10];
    affineBytesDirect(g, generator, r + 1, toAes);
    for (int i = (r + 32) / 32 * 32; i < (r + 32) / 32 * 32 + 32 * (NV + 1); i += 32)
        Avx2Ops::store(g + i, _mm256_setzero_si256());
    // f_j = x_j^r / g'(x_j); g'(x) = D(x^2) with D's coefficients d_t =
    // g_(2t+1), in four chains (t mod 4) in x^8.
    __m256i f[NV];
    const int terms = (r + 1) / 2;
    for (int v = 0; v < NV; ++v) {
        const __m256i y = mul(x[v], x[v]);
        const __m256i y2 = mul(y, y), y4 = mul(y2, y2);
        __m256i c[4] = {};
        for (int b = (terms - 1) / 4; b >= 0; --b)
            for (int t = 0; t < 4; ++t)
                if (4 * b + t < terms) c[t] = Avx2Ops::bxor(mul(c[t], y4), broadcastByte(g + 8 * b + 2 * t + 1));
        const __m256i high = Avx2Ops::bxor(mul(c[3], y), c[2]), low = Avx2Ops::bxor(mul(c[1], y), c[0]);
        const __m256i d = Avx2Ops::bxor(mul(high, y2), low);
        f[v] = mul(powerOf(x[v], r), inverse(d));
    }
    // The message in the AES basis, zeros in front up to a multiple of S.
    const int blocks = (k + S - 1) / S;
    alignas(32) uint8_t m[256 + 64];
    Avx2Ops::store(m, _mm256_setzero_si256());
    affineBytesDirect(m + (S * blocks - k), message, k, toAes);
    __m256i w[NV];
    evalMessage<NV, S>(w, x, m, blocks);
    for (int v = 0; v < NV; ++v) w[v] = mul(w[v], f[v]);

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
    __m256i even[NV] = {}, odd[NV] = {};
    int i = 0;
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

// Every term is c_i X_i^(j-1) with c_i = pow[log Y_i + b d_i] and X_i =
// pow[d_i]: each error contributes a geometric sequence, built 32 lanes at a
// time from the powers X^0 ... X^31 (lane j takes X^(2^q) for every bit q
// of j) and carried on by X^32.
void errataSyndromes(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int count, int b, int r,
                     const uint8_t* towerPow) {
    const AesBasis& basis = aesBasis();
    alignas(32) uint8_t c[256 + 32], x[256 + 32];
    for (int i = 0; i < count; ++i) {
        c[i] = towerPow[(unsigned(logs[i]) + unsigned(b) * exps[i]) % 255u];
        x[i] = towerPow[exps[i]];
    }
    affineBytes(c, c, count, basis.toAes);
    affineBytes(x, x, count, basis.toAes);
    alignas(32) static constexpr uint8_t kLanes[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                                       11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                                       22, 23, 24, 25, 26, 27, 28, 29, 30, 31};
    const __m256i lanes = Avx2Ops::load(kLanes);
    const int vectors = (r + 31) / 32;
    __m256i acc[8] = {};
    for (int i = 0; i < count; ++i) {
        __m256i powers = _mm256_set1_epi8(1);
        __m256i square = broadcastByte(x + i);
        for (int q = 0; q < 5; ++q) {
            const __m256i bit = _mm256_set1_epi8(static_cast<char>(1 << q));
            const __m256i take = _mm256_cmpeq_epi8(_mm256_and_si256(lanes, bit), bit);
            powers = _mm256_blendv_epi8(powers, mul(powers, square), take);
            square = mul(square, square);
        }
        __m256i term = mul(powers, broadcastByte(c + i));
        for (int v = 0; v < vectors; ++v) {
            acc[v] = Avx2Ops::bxor(acc[v], term);
            term = mul(term, square);
        }
    }
    alignas(32) uint8_t values[256];
    for (int v = 0; v < vectors; ++v) Avx2Ops::store(values + 32 * v, affine(acc[v], basis.toTower));
    std::memcpy(out, values, size_t(r));
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

}  // namespace gfni

constinit const TowerKernels towerGfni =
    gfni::withGfniKernels(makeKernels<Avx2Ops, Ssse3Ops>("gfni", kCpuSsse3 | kCpuAvx2 | kCpuGfni));

}  // namespace vekdi::tower
