// SPDX-License-Identifier: Apache-2.0
// The table-lane kernels (simd/lanes/table_lanes.h) with SSSE3's byte shuffle;
// compiled with -mssse3 and run only where the CPU has it.
#include <tmmintrin.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "gf/field.h"
#include "simd/cpu_features.h"
#include "simd/lanes/lane_ops_ssse3.h"
#include "simd/lanes/table_lanes.h"

namespace vekdi {
namespace {

using namespace lanes;

// R(x) = sum c[n-1-i] x^i into `received` (aligned), zero from n to
// 16*ceil(n/16): every block of sixteen coefficients is a block of the
// codeword read backwards.
void receive(uint8_t* received, const uint8_t* codeword, int n) {
    const __m128i lanes = laneNumbers();
    const __m128i backwards = _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    auto* to = reinterpret_cast<__m128i*>(received);
    int end = n;  // coefficients 16 g ... are bytes end - 1, end - 2, ...
    for (; end >= 16; end -= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(codeword + end - 16));
        _mm_store_si128(to++, _mm_shuffle_epi8(block, backwards));
    }
    if (end > 0) {  // lane k takes byte end - 1 - k; the lanes from `end` on read as zero
        const __m128i from = _mm_sub_epi8(_mm_set1_epi8(char(end - 1)), lanes);
        _mm_store_si128(to, _mm_shuffle_epi8(loadShort(codeword, end), from));
    }
}

// S_j = sum_i r_i alpha^(i (firstLog + j)): lane i holds log r_i + i (firstLog
// + j), the exponent advancing by i from one j to the next.
template <int Slices, int Blocks>
void syndromesIn(uint8_t* out, const uint8_t* r, unsigned firstLog, int count, const FieldGF* f) {
    const Table<Slices> pow(f, false), log(f, true);
    const __m128i period = _mm_set1_epi8(char(f->order - 1));
    constexpr int blocks = Blocks;
    __m128i logR[Blocks], zero[Blocks], e[Blocks], step[Blocks];
    laneIndices(step, f->m, 0, blocks);
    timesLanes(e, step, firstLog, period, blocks);
    for (int g = 0; g < blocks; ++g) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r) + g);
        zero[g] = _mm_cmpeq_epi8(v, _mm_setzero_si128());
        logR[g] = _mm_andnot_si128(zero[g], log(v));
    }
    // Each sum moved from lane 0 into its own lane of the result by a
    // shuffle whose index vector (0 in that lane, top bits elsewhere) turns
    // one lane further for every sum; whole registers stored, so the solver's
    // loads find them in full.
    const __m128i lanes = laneNumbers();
    __m128i place = _mm_andnot_si128(_mm_cmpeq_epi8(lanes, _mm_set1_epi8(1)), _mm_set1_epi8(char(0x80)));
    __m128i sums = _mm_cvtsi32_si128(1);  // S_0
    auto* to = reinterpret_cast<__m128i*>(out);
    for (int j = 1; j <= count; ++j) {
        __m128i acc = _mm_setzero_si128();
        for (int g = 0; g < blocks; ++g) {
            acc = _mm_xor_si128(acc, _mm_andnot_si128(zero[g], pow(addLogs(logR[g], e[g], period))));
            e[g] = addLogs(e[g], step[g], period);
        }
        sums = _mm_or_si128(sums, _mm_shuffle_epi8(foldToFirstLane(acc), place));
        place = _mm_alignr_epi8(place, place, 15);
        if (j % 16 == 15) {
            _mm_store_si128(to++, sums);
            sums = _mm_setzero_si128();
        }
    }
    if (count % 16 != 15) _mm_store_si128(to, sums);
}

// L(alpha^j) for j = 1 + lane + 16 g: the term of l_i is alpha^(log l_i +
// i j), the exponent i j advancing by j from one i to the next.
template <int Slices>
int rootsIn(uint8_t* out, const uint8_t* l, int degree, const FieldGF* f) {
    const Table<Slices> pow(f, false);
    const unsigned last = f->order - 1;  // the period, the largest j
    const __m128i period = _mm_set1_epi8(char(last));
    const uint8_t* log = logTable(f);
    constexpr int blocks = Slices;  // ceil(period / 16)
    __m128i acc[Slices], e[Slices], step[Slices];
    laneIndices(step, f->m, 1, blocks);
    for (int g = 0; g < blocks; ++g) {
        e[g] = _mm_setzero_si128();
        acc[g] = _mm_set1_epi8(char(l[0]));
    }
    for (int i = 1; i <= degree; ++i) {
        for (int g = 0; g < blocks; ++g) e[g] = addLogs(e[g], step[g], period);
        if (l[i] == 0) continue;
        const __m128i c = _mm_set1_epi8(char(log[l[i]]));
        for (int g = 0; g < blocks; ++g) acc[g] = _mm_xor_si128(acc[g], pow(addLogs(e[g], c, period)));
    }
    int found = 0;
    for (int g = 0; g < blocks && found < degree; ++g) {
        unsigned zeros = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(acc[g], _mm_setzero_si128())));
        const int valid = int(last) - 16 * g;  // j <= period
        if (valid < 16) zeros &= (1u << valid) - 1;
        for (; zeros != 0 && found < degree; zeros &= zeros - 1)
            out[found++] = uint8_t(last - unsigned(1 + 16 * g + __builtin_ctz(zeros)));
    }
    return found;
}

// out[j] = sum over the errata of alpha^(logs[i] + (firstLog + j) exps[i]),
// lane j: the exponent is logs[i] + firstLog exps[i], plus j exps[i].
template <int Slices, int Blocks>
void errataSyndromesIn(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int errata, unsigned firstLog,
                       const FieldGF* f) {
    const Table<Slices> pow(f, false);
    const unsigned period = f->order - 1;
    const __m128i periods = _mm_set1_epi8(char(period));
    __m128i acc[Blocks], j[Blocks], step[Blocks];
    laneIndices(j, f->m, 0, Blocks);
    for (int g = 0; g < Blocks; ++g) acc[g] = _mm_setzero_si128();
    for (int i = 0; i < errata; ++i) {
        const __m128i start = _mm_set1_epi8(char((logs[i] + firstLog * exps[i]) % period));
        timesLanes(step, j, exps[i], periods, Blocks);
        for (int g = 0; g < Blocks; ++g) acc[g] = _mm_xor_si128(acc[g], pow(addLogs(step[g], start, periods)));
    }
    for (int g = 0; g < Blocks; ++g) _mm_store_si128(reinterpret_cast<__m128i*>(out) + g, acc[g]);
}

// a and b at alpha^-positions[i], lane i: the term of a_k is alpha^(log a_k
// - k positions[i]), the exponent falling by positions[i] from one k to the next.
template <int Slices, int Blocks>
void valuesAtInversesIn(uint8_t* aOut, const uint8_t* a, int aDegree, uint8_t* bOut, const uint8_t* b, int bDegree,
                        const uint8_t* positions, int count, const FieldGF* f) {
    const Table<Slices> pow(f, false);
    const __m128i periods = _mm_set1_epi8(char(f->order - 1));
    const uint8_t* log = logTable(f);
    __m128i down[Blocks], e[Blocks], accA[Blocks], accB[Blocks];
    for (int g = 0; g < Blocks; ++g) {
        const __m128i p = Blocks == 1 ? gatherBytes(positions, count)
                                      : _mm_and_si128(lanesBelow(count, g),
                                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(positions) + g));
        down[g] = negateLogs(p, periods);
        e[g] = _mm_setzero_si128();
        accA[g] = _mm_set1_epi8(char(a[0]));
        accB[g] = _mm_set1_epi8(char(b[0]));
    }
    for (int k = 1; k <= std::max(aDegree, bDegree); ++k) {
        for (int g = 0; g < Blocks; ++g) e[g] = addLogs(e[g], down[g], periods);
        if (k <= aDegree && a[k] != 0) {
            const __m128i c = _mm_set1_epi8(char(log[a[k]]));
            for (int g = 0; g < Blocks; ++g) accA[g] = _mm_xor_si128(accA[g], pow(addLogs(e[g], c, periods)));
        }
        if (k <= bDegree && b[k] != 0) {
            const __m128i c = _mm_set1_epi8(char(log[b[k]]));
            for (int g = 0; g < Blocks; ++g) accB[g] = _mm_xor_si128(accB[g], pow(addLogs(e[g], c, periods)));
        }
    }
    for (int g = 0; g < Blocks; ++g) {
        _mm_store_si128(reinterpret_cast<__m128i*>(aOut) + g, accA[g]);
        _mm_store_si128(reinterpret_cast<__m128i*>(bOut) + g, accB[g]);
    }
}

// p *= (1 + c x) for each c of cs in turn, mod x^(cap+1): x p by a shift,
// its multiple by c through the logarithms.
template <int Slices, int Blocks>
void mulLinearRunIn(uint8_t* p, const uint8_t* cs, int count, int cap, const FieldGF* f) {
    const Table<Slices> pow(f, false), log(f, true);
    const __m128i periods = _mm_set1_epi8(char(f->order - 1));
    const uint8_t* logs = logTable(f);
    __m128i v[Blocks], up[Blocks];
    for (int g = 0; g < Blocks; ++g) v[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(p) + g);
    for (int i = 0; i < count; ++i) {
        const __m128i c = _mm_set1_epi8(char(logs[cs[i]]));
        for (int g = 0; g < Blocks; ++g) up[g] = v[g];
        shiftUp<Blocks>(up, _mm_setzero_si128());
        for (int g = 0; g < Blocks; ++g) v[g] = _mm_xor_si128(v[g], pow(addLogs(logsOf(up[g], log), c, periods)));
    }
    for (int g = 0; g < Blocks; ++g)
        _mm_store_si128(reinterpret_cast<__m128i*>(p) + g, _mm_and_si128(lanesBelow(cap + 1, g), v[g]));
}

// The Berlekamp-Massey iteration of rs/decode/berlekamp_massey.h with its
// discrepancies carried along instead of formed one by one: beside Lambda
// and B the registers hold U = Lambda S and V = B S (mod x^(16 Blocks)), so
// the discrepancy of step t is U's coefficient t, every update of Lambda or B
// is the same update of U or V, and U ends as the evaluator Omega. B and V
// are kept as logarithms: a new B is Lambda / delta, a subtraction of
// logarithms, and x * B a shift. Only coefficients up to r are ever read,
// and B at step t has degree at most t.
template <int Slices, int Blocks>
void berlekampMasseyIn(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* s, int r, const FieldGF* f) {
    const Table<Slices> pow(f, false), log(f, true);
    const unsigned period = f->order - 1;
    const __m128i periods = _mm_set1_epi8(char(period));
    const __m128i zeroLog = _mm_set1_epi8(kZeroLog);
    const __m128i bottomZero = _mm_setr_epi8(kZeroLog, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    // fwd + 64 - j, lane i: log S_(i-j), kZeroLog outside S_0 ... S_r.
    alignas(16) uint8_t fwd[64 + 16 * Blocks];
    for (int g = 0; g < 4; ++g) _mm_store_si128(reinterpret_cast<__m128i*>(fwd) + g, zeroLog);
    for (int g = 0; g < Blocks; ++g)  // S is zero from r + 1 to the end of its last group
        _mm_store_si128(reinterpret_cast<__m128i*>(fwd + 64) + g,
                        logsOf(_mm_load_si128(reinterpret_cast<const __m128i*>(s) + g), log));

    // U = Gamma S, one shifted copy of S per coefficient of Gamma.
    __m128i lam[Blocks], u[Blocks], logB[Blocks], logV[Blocks];
    for (int g = 0; g < Blocks; ++g) {
        lam[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(lambda) + g);
        u[g] = _mm_setzero_si128();
    }
    const uint8_t* logs = logTable(f);
    for (int j = 0; j <= gammaDegree; ++j) {
        if (lambda[j] == 0) continue;
        const __m128i c = _mm_set1_epi8(char(logs[lambda[j]]));
        for (int g = 0; g < Blocks; ++g) {
            const __m128i logS = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fwd + 64 - j) + g);
            u[g] = _mm_xor_si128(u[g], pow(addLogs(logS, c, periods)));
        }
    }
    for (int g = 0; g < Blocks; ++g) {
        logB[g] = logsOf(lam[g], log);
        logV[g] = logsOf(u[g], log);
    }
    shiftUp<Blocks>(logB, bottomZero);  // B = x Gamma
    shiftUp<Blocks>(logV, bottomZero);

    int length = gammaDegree, mark = -1;
    const __m128i bias = _mm_set1_epi8(0x70);
    for (int t = gammaDegree + 1; t <= r; ++t) {
        // delta = U_t in every lane (each block's shuffle answers only its own t).
        __m128i delta = _mm_setzero_si128();
        for (int g = 0; g < Blocks; ++g) {
            const __m128i at = _mm_adds_epu8(_mm_set1_epi8(char(t - 16 * g)), bias);
            delta = _mm_or_si128(delta, _mm_shuffle_epi8(u[g], at));
        }
        const unsigned d = unsigned(_mm_cvtsi128_si32(delta)) & 0xFF;
        if (d == 0) {
            shiftUp<Blocks>(logB, bottomZero);
            shiftUp<Blocks>(logV, bottomZero);
            continue;
        }
        const __m128i logDelta = log(delta);
        const int candidate = t - mark - 1;
        if (length < candidate) {  // B' = Lambda / delta and V' = U / delta, from before the update
            const __m128i negDelta = negateLogs(logDelta, periods);
            for (int g = 0; g < Blocks; ++g) {
                const __m128i lamOld = lam[g], uOld = u[g];
                lam[g] = _mm_xor_si128(lam[g], pow(addLogs(logB[g], logDelta, periods)));
                u[g] = _mm_xor_si128(u[g], pow(addLogs(logV[g], logDelta, periods)));
                logB[g] = addLogs(logsOf(lamOld, log), negDelta, periods);
                logV[g] = addLogs(logsOf(uOld, log), negDelta, periods);
            }
            mark = t - length - 1;
            length = candidate;
        } else {
            for (int g = 0; g < Blocks; ++g) {
                lam[g] = _mm_xor_si128(lam[g], pow(addLogs(logB[g], logDelta, periods)));
                u[g] = _mm_xor_si128(u[g], pow(addLogs(logV[g], logDelta, periods)));
            }
        }
        shiftUp<Blocks>(logB, bottomZero);
        shiftUp<Blocks>(logV, bottomZero);
    }
    for (int g = 0; g < Blocks; ++g) {  // Omega: U's lanes up to r
        _mm_store_si128(reinterpret_cast<__m128i*>(lambda) + g, lam[g]);
        _mm_store_si128(reinterpret_cast<__m128i*>(omega) + g, _mm_and_si128(lanesBelow(r + 1, g), u[g]));
    }
}

// degree at most 15, one register each: every quotient coefficient's
// multiples of the divisor and of the current cofactor are formed through
// the logarithms and moved into place by one shuffle.
template <int Slices>
void euclidIn(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta, int r, const FieldGF* f) {
    const Table<Slices> pow(f, false), log(f, true);
    const __m128i periods = _mm_set1_epi8(char(f->order - 1));
    const __m128i lanes = laneNumbers();
    __m128i dividend = _mm_cmpeq_epi8(lanes, _mm_set1_epi8(char(r + 1)));  // x^(r+1)
    dividend = _mm_and_si128(dividend, _mm_set1_epi8(1));
    __m128i divisor = _mm_load_si128(reinterpret_cast<const __m128i*>(t));
    __m128i prev = _mm_setzero_si128(), cur = _mm_cvtsi32_si128(1);
    int dividendDegree = r + 1, divisorDegree = tDegree;
    while (divisorDegree > delta) {
        const int dv = divisorDegree;
        const __m128i logDivisor = logsOf(divisor, log), logCur = logsOf(cur, log);
        const __m128i logLead = log(_mm_shuffle_epi8(divisor, _mm_set1_epi8(char(dv))));
        const __m128i negLead = negateLogs(logLead, periods);
        __m128i next = prev;
        for (int i = dividendDegree; i >= dv; --i) {  // quotient coefficient x^(i - dv)
            const __m128i top = _mm_shuffle_epi8(dividend, _mm_set1_epi8(char(i)));
            const __m128i keep = _mm_xor_si128(_mm_cmpeq_epi8(top, _mm_setzero_si128()), _mm_set1_epi8(-1));
            const __m128i logQ = addLogs(log(top), negLead, periods);
            const __m128i into = _mm_sub_epi8(lanes, _mm_set1_epi8(char(i - dv)));
            const __m128i byDivisor = _mm_shuffle_epi8(pow(addLogs(logDivisor, logQ, periods)), into);
            const __m128i byCur = _mm_shuffle_epi8(pow(addLogs(logCur, logQ, periods)), into);
            dividend = _mm_xor_si128(dividend, _mm_and_si128(keep, byDivisor));
            next = _mm_xor_si128(next, _mm_and_si128(keep, byCur));
        }
        // The remainder becomes the divisor, the divisor the dividend.
        const int remainderDegree = topLane(dividend, dv);
        dividendDegree = dv;
        std::swap(dividend, divisor);
        divisorDegree = remainderDegree;
        prev = cur;
        cur = next;
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(sigma), cur);
    _mm_store_si128(reinterpret_cast<__m128i*>(omega), divisor);
}

// body.template operator()<Blocks>() for the number of blocks, 1 ... Slices.
template <int Slices, class Body>
auto withBlocks(int blocks, Body&& body) {
    if constexpr (Slices == 4) {
        if (blocks == 4) return body.template operator()<4>();
        if (blocks == 3) return body.template operator()<3>();
    }
    if constexpr (Slices >= 2) {
        if (blocks == 2) return body.template operator()<2>();
    }
    return body.template operator()<1>();
}

// body.template operator()<Slices>() for the field's table size.
template <class Body>
auto withSlices(const FieldGF* f, Body&& body) {
    if (f->m <= 4) return body.template operator()<1>();
    if (f->m == 5) return body.template operator()<2>();
    return body.template operator()<4>();
}

void syndromes(uint8_t* out, const uint8_t* r, int n, unsigned firstLog, int count, const FieldGF* f) {
    withSlices(f, [&]<int Slices>() {
        withBlocks<Slices>((n + 15) / 16,
                           [&]<int Blocks>() { syndromesIn<Slices, Blocks>(out, r, firstLog, count, f); });
    });
}

int roots(uint8_t* out, const uint8_t* l, int degree, const FieldGF* f) {
    return withSlices(f, [&]<int Slices>() { return rootsIn<Slices>(out, l, degree, f); });
}

void berlekampMassey(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* syndromes, int r,
                     const FieldGF* f) {
    withSlices(f, [&]<int Slices>() {
        withBlocks<Slices>((r + 16) / 16, [&]<int Blocks>() {
            berlekampMasseyIn<Slices, Blocks>(lambda, omega, gammaDegree, syndromes, r, f);
        });
    });
}

bool euclid(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta, int r, const FieldGF* f) {
    if (r > kTableLanesEuclidMax) return false;
    withSlices(f, [&]<int Slices>() { euclidIn<Slices>(sigma, omega, t, tDegree, delta, r, f); });
    return true;
}

void errataSyndromes(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int errata, unsigned firstLog, int count,
                     const FieldGF* f) {
    withSlices(f, [&]<int Slices>() {
        withBlocks<Slices>((count + 15) / 16, [&]<int Blocks>() {
            errataSyndromesIn<Slices, Blocks>(out, exps, logs, errata, firstLog, f);
        });
    });
}

void valuesAtInverses(uint8_t* aOut, const uint8_t* a, int aDegree, uint8_t* bOut, const uint8_t* b, int bDegree,
                      const uint8_t* positions, int count, const FieldGF* f) {
    withSlices(f, [&]<int Slices>() {
        withBlocks<Slices>((count + 15) / 16, [&]<int Blocks>() {
            valuesAtInversesIn<Slices, Blocks>(aOut, a, aDegree, bOut, b, bDegree, positions, count, f);
        });
    });
}

void mulLinearRun(uint8_t* p, const uint8_t* cs, int count, int cap, const FieldGF* f) {
    withSlices(f, [&]<int Slices>() {
        withBlocks<Slices>((cap + 16) / 16,
                           [&]<int Blocks>() { mulLinearRunIn<Slices, Blocks>(p, cs, count, cap, f); });
    });
}

}  // namespace

const TableLaneKernels tableLanesSsse3 = {"ssse3",         simd::kCpuSsse3, receive,          mulLinearRun,
                                          syndromes,       roots,           berlekampMassey,  euclid,
                                          errataSyndromes, valuesAtInverses, decodeWholeSsse3};

}  // namespace vekdi
