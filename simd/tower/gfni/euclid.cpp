// SPDX-License-Identifier: Apache-2.0
// The extended Euclidean algorithm with the polynomials in registers.
#include "simd/tower/gfni/common.h"

namespace vekdi::tower {
namespace {

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

bool euclid(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta, int r) {
    return tower::euclid(sigma, omega, t, tDegree, delta, r);
}

}  // namespace gfni
}  // namespace vekdi::tower
