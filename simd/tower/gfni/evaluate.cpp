// SPDX-License-Identifier: Apache-2.0
// Polynomial evaluation at the points of blocks (Horner chains, halves and
// quarters of long polynomials), at a geometric sequence, and of two
// polynomials at the same points.
#include "simd/tower/gfni/common.h"

namespace vekdi::tower {
namespace {

// Long polynomials (the syndromes) take more chains so that the products'
// latency does not bound the loop.
constexpr int kManyChains = 64;

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

// One product per lane and coefficient is cheap here: Horner's rule wins.
void evalGeometric(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount, uint8_t) {
    evalPolyBlocks(out, coeffs, count, blocks, blockCount);
}

void evalPoly16(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* block) {
    evalPolyBlocks(out, coeffs, count, block, 1);
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

}  // namespace

namespace gfni {

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

void evalPairAt(uint8_t* outA, const uint8_t* a, int aCount, uint8_t* outB, const uint8_t* b, int bCount,
                const uint8_t* points, int count, uint8_t* work) {
    tower::evalPairAt(outA, a, aCount, outB, b, bCount, points, count, work);
}

}  // namespace gfni
}  // namespace vekdi::tower
