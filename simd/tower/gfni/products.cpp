// SPDX-License-Identifier: Apache-2.0
// Products: the dot product (alone and after a multiply-add), the product
// of two polynomials and the product of a polynomial by a run of linear
// factors.
#include "simd/tower/gfni/common.h"

namespace vekdi::tower {
namespace {

// XOR of all 32 lanes.
uint8_t xorAcross(__m256i v) {
    __m128i x = _mm_xor_si128(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 8));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 4));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 2));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 1));
    return static_cast<uint8_t>(_mm_cvtsi128_si32(x));
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

}  // namespace

namespace gfni {

uint8_t dot(const uint8_t* a, const uint8_t* b, int len) { return tower::dot(a, b, len); }
uint8_t mulAddDot(uint8_t* inout, const uint8_t* in, int len, uint8_t c, const uint8_t* other, int dotLen) {
    return tower::mulAddDot(inout, in, len, c, other, dotLen);
}

void polyMul(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen) { tower::polyMul(out, a, aLen, s, sLen); }
void mulLinearRun(uint8_t* p, int degree, const uint8_t* cs, int count, int cap) {
    tower::mulLinearRun(p, degree, cs, count, cap);
}

}  // namespace gfni
}  // namespace vekdi::tower
