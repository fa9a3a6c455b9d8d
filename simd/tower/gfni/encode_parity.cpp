// SPDX-License-Identifier: Apache-2.0
// Parity by interpolation at the generator's roots.
#include "simd/tower/gfni/common.h"
#include "simd/tower/gfni/word_rows.h"

namespace vekdi::tower {
namespace {

// out[i] = in[i] through an affine operand for i < count; writes whole
// vectors, up to count rounded up to 32.
void affineBytesDirect(uint8_t* out, const uint8_t* in, int count, __m256i m) {
    int i = 0;
    for (; i + 32 <= count; i += 32) Avx2Ops::store(out + i, affine(Avx2Ops::load(in + i), m));
    if (i < count) Avx2Ops::store(out + i, affine(loadPartial(in + i, count - i), m));
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
                      uint8_t ratio, const TowerRecord& field) {
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
                  uint8_t ratio, const TowerRecord& field) {
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

}  // namespace

namespace gfni {

void encodeParity(uint8_t* parity, const uint8_t* message, int k, int r, const uint8_t* generator, uint8_t root,
                  uint8_t ratio, const TowerRecord& field) {
    tower::encodeParity(parity, message, k, r, generator, root, ratio, field);
}

}  // namespace gfni
}  // namespace vekdi::tower
