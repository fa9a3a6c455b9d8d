// SPDX-License-Identifier: Apache-2.0
// Berlekamp-Massey with the polynomials and sequences in registers.
#include "simd/tower/gfni/common.h"

namespace vekdi::tower {
namespace {

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

}  // namespace

namespace gfni {

bool berlekampMassey(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* syndromes, int r) {
    return tower::berlekampMassey(lambda, omega, gammaDegree, syndromes, r);
}

}  // namespace gfni
}  // namespace vekdi::tower
