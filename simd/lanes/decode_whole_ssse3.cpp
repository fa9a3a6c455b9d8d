// SPDX-License-Identifier: Apache-2.0
// The whole decode of a code of at most fifteen symbols (GF(4), GF(8),
// GF(16)) in one call: every polynomial of the pipeline fits in one register
// and every element's logarithm in a lane, so the word, the syndromes, the
// locator, the evaluator and the values at every position stay in registers
// from the load of the codeword to the write of the corrections. Compiled
// with -mssse3 and run only where the CPU has it.
#include <tmmintrin.h>

#include <cstdint>

#include "simd/lanes/lane_ops_ssse3.h"
#include "simd/lanes/table_lanes.h"

namespace vekdi {
namespace {

using namespace lanes;

// kLaneTimes[m - 2][f][i] = i * f mod (2^m - 1).
struct LaneTimes {
    alignas(16) uint8_t at[3][15][16];
    constexpr LaneTimes() : at{} {
        for (int m = 2; m <= 4; ++m)
            for (int f = 0; f < (1 << m) - 1; ++f)
                for (int i = 0; i < 16; ++i) at[m - 2][f][i] = uint8_t(i * f % ((1 << m) - 1));
    }
};
constexpr LaneTimes kLaneTimes;

// The field GF(2^M), M <= 4: its tables in registers and the logarithm sums.
template <int M>
struct Field {
    static constexpr int kPeriod = (1 << M) - 1;
    Table<1> pow, log;
    explicit Field(const FieldGF* f) : pow(f, false), log(f, true) {}
    static __m128i period() { return _mm_set1_epi8(char(kPeriod)); }
    // Lane i: i * f mod period.
    static __m128i laneTimes(unsigned f) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(kLaneTimes.at[M - 2][f]));
    }
    __m128i add(__m128i a, __m128i b) const { return addLogs(a, b, period()); }
    // Elements times alpha^e lane by lane, from their logarithms.
    __m128i times(__m128i logs, __m128i e) const { return pow(add(logs, e)); }
    __m128i logsOf(__m128i v) const { return lanes::logsOf(v, log); }
};

// The XOR of lanes 0 ... 2^M - 2 in lane 0: fewer halvings for fewer lanes.
template <int M>
inline __m128i foldLanes(__m128i v) {
    if constexpr (M == 4) v = _mm_xor_si128(v, _mm_srli_si128(v, 8));
    if constexpr (M >= 3) v = _mm_xor_si128(v, _mm_srli_si128(v, 4));
    v = _mm_xor_si128(v, _mm_srli_si128(v, 2));
    return _mm_xor_si128(v, _mm_srli_si128(v, 1));
}

// The syndrome polynomial of V from its coefficients' logarithms (kZeroLog
// for zeros, V zero from lane 2^M - 1): lane 0 holds 1, lane j = 1 ... r
// holds V(alpha^(firstLog + j - 1)), lanes above zero. `e` holds i *
// firstLog mod period, lane i.
template <int M>
__m128i syndromesOf(const Field<M>& f, __m128i logV, __m128i e, int r) {
    const __m128i step = f.laneTimes(1);
    // Each sum moves from lane 0 to lane j by a shuffle whose index (0 in
    // lane j, top bits elsewhere) turns one lane further for every sum.
    __m128i place =
        _mm_setr_epi8(-128, 0, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128);
    __m128i sums = _mm_cvtsi32_si128(1);
    for (int j = 1; j <= r; ++j) {
        sums = _mm_or_si128(sums, _mm_shuffle_epi8(foldLanes<M>(f.times(logV, e)), place));
        place = _mm_alignr_epi8(place, place, 15);
        e = f.add(e, step);
    }
    return sums;
}

inline bool sameLanes(__m128i a, __m128i b) { return _mm_movemask_epi8(_mm_cmpeq_epi8(a, b)) == 0xFFFF; }

inline unsigned nonzeroLanes(__m128i v) {
    return ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128()))) & 0xFFFF;
}

// The set bits of x < 2^16, without the POPCNT instruction SSSE3 machines may lack.
inline int bitCount(unsigned x) {
    x = x - ((x >> 1) & 0x5555u);
    x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
    x = (x + (x >> 4)) & 0x0F0Fu;
    return int((x + (x >> 8)) & 0x1Fu);
}

// Redundancy r <= 2 (every code over GF(4)) from the syndromes S_1 = lane 1
// and S_2 = lane 2 of `syn` (not all zero) in closed form: a decoding within
// the radius, 2 nu + s <= r, is unique, and here it is one of
//   s = 0, r = 2: one error at X = S_2 / S_1 (both nonzero);
//   s = 1: the erased value, consistent with S_2 = S_1 X_1 where r = 2;
//   s = 2: both erased values, from S_1 = Z_1 + Z_2, S_2 = Z_1 X_1 + Z_2 X_2;
// with Z_i = Y_i X_i^b, X_i = alpha^(x_i), the byte n - 1 - x_i. The
// pipeline finds the same decoding where there is one and fails where not.
template <int M>
bool decodeTwoSyndromes(uint8_t* codeword, const int* erasures, int s, unsigned b, int r, __m128i syn,
                        const FieldGF* field) {
    constexpr unsigned n = (1u << M) - 1;
    const uint8_t* exp = expTable(field);
    const uint8_t* log = logTable(field);
    const unsigned both = unsigned(_mm_cvtsi128_si32(syn));
    const unsigned s1 = both >> 8 & 0xFF, s2 = both >> 16 & 0xFF;  // S_2 is 0 for r = 1
    // codeword[n - 1 - x] ^= Z / X^b, from log Z (the reduction n * n covers every sum below).
    auto correct = [&](unsigned x, unsigned logZ) { codeword[n - 1 - x] ^= exp[(logZ + n * n - b * x) % n]; };
    if (s == 0) {
        if (r == 1 || s1 == 0 || s2 == 0) return false;
        const unsigned x = (log[s2] + n - log[s1]) % n;
        correct(x, log[s1]);
        return true;
    }
    const unsigned x1 = n - 1 - unsigned(erasures[0]);
    if (s == 1) {
        if (s1 == 0 || (r == 2 && (s2 == 0 || log[s2] != (log[s1] + x1) % n))) return false;
        correct(x1, log[s1]);
        return true;
    }
    const unsigned x2 = n - 1 - unsigned(erasures[1]);
    if (x1 == x2) return false;  // listed twice
    // Z_1 = (S_2 + S_1 X_2) / (X_1 + X_2), Z_2 = S_1 + Z_1.
    const unsigned top = s2 ^ (s1 == 0 ? 0 : exp[(log[s1] + x2) % n]);
    if (top == 0) {  // Z_1 = 0, Z_2 = S_1 != 0
        correct(x2, log[s1]);
        return true;
    }
    const unsigned z1 = exp[(log[top] + n - log[exp[x1] ^ exp[x2]]) % n];
    correct(x1, log[z1]);
    if ((z1 ^ s1) != 0) correct(x2, log[z1 ^ s1]);
    return true;
}

// The steps and the acceptance of rsDecodeWith (rs/decode/pipeline.h) with
// the Berlekamp-Massey solver of the table kernels, lane i of a polynomial
// holding its coefficient of x^i and lane e of a value at a position
// holding that at X = alpha^e, the codeword byte n - 1 - e.
template <int M>
bool decodeWholeIn(uint8_t* codeword, const int* erasures, int s, unsigned firstLog, int r, const FieldGF* field) {
    constexpr int n = Field<M>::kPeriod;
    const Field<M> f(field);
    const __m128i lanes = laneNumbers();
    const __m128i start = f.laneTimes(firstLog);

    // R(x) = sum codeword[n-1-i] x^i, then its syndromes.
    const __m128i received = _mm_shuffle_epi8(loadShort(codeword, n), _mm_sub_epi8(_mm_set1_epi8(char(n - 1)), lanes));
    const __m128i syn = syndromesOf(f, f.logsOf(received), start, r);
    if (sameLanes(syn, _mm_cvtsi32_si128(1))) return true;
    if (r <= 2) return decodeTwoSyndromes<M>(codeword, erasures, s, firstLog, r, syn, field);

    // The erasure locator Gamma = prod (1 + X_i x), X_i = alpha^(n-1-p_i).
    unsigned erased = 0;
    __m128i gamma = _mm_cvtsi32_si128(1);
    for (int i = 0; i < s; ++i) {
        const int x = n - 1 - erasures[i];
        if (erased >> x & 1) return false;  // listed twice
        erased |= 1u << x;
        gamma = _mm_xor_si128(gamma, f.times(f.logsOf(_mm_slli_si128(gamma, 1)), _mm_set1_epi8(char(x))));
    }

    // Berlekamp-Massey from Gamma, carrying U = Lambda S and V = B S beside
    // Lambda and B as the table kernel does: U's coefficient t is step t's
    // discrepancy and U ends as the evaluator. S is zero from lane r + 1, so
    // lane 15 of its logarithms is kZeroLog, which the shifted copies read
    // below their start.
    const __m128i logS = f.logsOf(syn);
    const __m128i logGamma = f.logsOf(gamma);
    const __m128i gammaZero = _mm_cmpeq_epi8(gamma, _mm_setzero_si128());
    __m128i u = _mm_setzero_si128();
    for (int j = 0; j <= s; ++j) {  // U = Gamma S
        const __m128i at = _mm_set1_epi8(char(j));
        const __m128i shifted = _mm_shuffle_epi8(logS, _mm_min_epu8(_mm_sub_epi8(lanes, at), _mm_set1_epi8(15)));
        const __m128i term = f.times(shifted, _mm_shuffle_epi8(logGamma, at));
        u = _mm_xor_si128(u, _mm_andnot_si128(_mm_shuffle_epi8(gammaZero, at), term));
    }
    const __m128i bottomZero = _mm_cvtsi32_si128(kZeroLog & 0xFF);
    __m128i lambda = gamma;
    __m128i logB = _mm_or_si128(_mm_slli_si128(logGamma, 1), bottomZero);  // B = x Gamma
    __m128i logV = _mm_or_si128(_mm_slli_si128(f.logsOf(u), 1), bottomZero);
    int length = s, mark = -1;
    for (int t = s + 1; t <= r; ++t) {
        const __m128i delta = _mm_shuffle_epi8(u, _mm_set1_epi8(char(t)));
        if ((_mm_cvtsi128_si32(delta) & 0xFF) != 0) {
            const __m128i logDelta = f.log(delta);
            const __m128i lambdaOld = lambda, uOld = u;
            lambda = _mm_xor_si128(lambda, f.times(logB, logDelta));
            u = _mm_xor_si128(u, f.times(logV, logDelta));
            const int candidate = t - mark - 1;
            if (length < candidate) {  // B' = Lambda / delta and V' = U / delta, from before the update
                const __m128i negDelta = negateLogs(logDelta, f.period());
                logB = f.add(f.logsOf(lambdaOld), negDelta);
                logV = f.add(f.logsOf(uOld), negDelta);
                mark = t - length - 1;
                length = candidate;
            }
        }
        logB = _mm_or_si128(_mm_slli_si128(logB, 1), bottomZero);
        logV = _mm_or_si128(_mm_slli_si128(logV, 1), bottomZero);
    }
    const __m128i omega = _mm_and_si128(_mm_cmpgt_epi8(_mm_set1_epi8(char(r + 1)), lanes), u);

    // Lambda, Omega and Lambda' at X^-1 for every position at once: the
    // term of coefficient k at lane e is alpha^(log c_k - k e). Lambda' takes
    // Lambda's odd coefficients one lane down, the odd lanes lane 15's
    // kZeroLog (Lambda's degree is at most r < 15).
    const int lambdaDegree = topLane(lambda, 16);
    const int omegaDegree = topLane(omega, 16);
    const int top = lambdaDegree > omegaDegree ? lambdaDegree : omegaDegree;
    const __m128i logL = f.logsOf(lambda), logW = f.logsOf(omega);
    const __m128i derivative = _mm_setr_epi8(1, 15, 3, 15, 5, 15, 7, 15, 9, 15, 11, 15, 13, 15, 15, 15);
    const __m128i logD = _mm_shuffle_epi8(logL, derivative);
    const __m128i down = negateLogs(f.laneTimes(1), f.period());
    const __m128i zero = _mm_setzero_si128();
    __m128i valueL = _mm_shuffle_epi8(lambda, zero), valueW = _mm_shuffle_epi8(omega, zero);
    __m128i valueD = _mm_shuffle_epi8(lambda, _mm_set1_epi8(1));
    __m128i e = zero, at = zero;
    for (int k = 1; k <= top; ++k) {
        at = _mm_sub_epi8(at, _mm_set1_epi8(-1));
        e = f.add(e, down);
        valueL = _mm_xor_si128(valueL, f.times(_mm_shuffle_epi8(logL, at), e));
        valueW = _mm_xor_si128(valueW, f.times(_mm_shuffle_epi8(logW, at), e));
        valueD = _mm_xor_si128(valueD, f.times(_mm_shuffle_epi8(logD, at), e));
    }

    // The roots among the n positions must be as many as Lambda's degree,
    // and Lambda' nonzero at each of them.
    constexpr unsigned positions = (1u << n) - 1;
    const unsigned roots = ~nonzeroLanes(valueL) & positions;
    if (bitCount(roots) != lambdaDegree) return false;
    if ((~nonzeroLanes(valueD) & roots) != 0) return false;

    // Forney: Y = X^(2-b) Omega(X^-1) / Lambda'(X^-1), b = firstLog, kept at the roots.
    const __m128i shiftX = f.laneTimes((2 + unsigned(n) - firstLog) % unsigned(n));  // lane e: (2 - b) e
    const __m128i logY = f.add(f.add(f.logsOf(valueW), negateLogs(f.log(valueD), f.period())), shiftX);
    const __m128i atRoots = _mm_cmpeq_epi8(valueL, zero);
    const __m128i inWord = _mm_cmpgt_epi8(_mm_set1_epi8(char(n)), lanes);
    const __m128i errata = _mm_and_si128(_mm_and_si128(atRoots, inWord), f.pow(logY));
    const unsigned nonzero = nonzeroLanes(errata);
    if (2 * bitCount(nonzero & ~erased) + s > r) return false;
    // Whether the errata have the word's syndromes, without forming theirs:
    // deg Omega <= deg Lambda (the degree test of rsAcceptErrata in
    // rs/decode/pipeline.h, where the reason is given).
    if (omegaDegree > lambdaDegree) return false;

    alignas(16) uint8_t values[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(values), errata);
    for (unsigned left = nonzero; left != 0; left &= left - 1) {
        const int x = __builtin_ctz(left);
        codeword[n - 1 - x] ^= values[x];
    }
    return true;
}

}  // namespace

bool decodeWholeSsse3(uint8_t* codeword, const int* erasures, int s, unsigned firstLog, int r, const FieldGF* f) {
    if (f->m == 2) return decodeWholeIn<2>(codeword, erasures, s, firstLog, r, f);
    if (f->m == 3) return decodeWholeIn<3>(codeword, erasures, s, firstLog, r, f);
    return decodeWholeIn<4>(codeword, erasures, s, firstLog, r, f);
}

}  // namespace vekdi
