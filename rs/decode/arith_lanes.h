// SPDX-License-Identifier: Apache-2.0
// The decode pipeline's arithmetic for every field without a built-in tower
// record (see rs/decode/pipeline.h for what a policy provides), the one the
// decode exports run there:
//
// - the two long steps, the syndromes and the Chien search, sixteen elements
//   at a time: every byte lane is multiplied by its own fixed element through
//   that element's bit planes c * x^0 ... c * x^(m-1), so v * c is the XOR of
//   the planes at v's set bits;
// - everything else one element at a time through copies of the field's
//   tables made on the stack when the policy is built, laid out so that a
//   product needs no branch: log 0 is a value whose sums all land on zeros.
//
// It gives the same results as GenericArith (rs/decode/arith_generic.h),
// which stays the plain reference. Its vector operations touch exactly `len`
// elements.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>

#include "gf/field.h"
#include "poly/poly.h"
#include "rs/decode/berlekamp_massey.h"
#include "rs/decode/decoder.h"
#include "rs/decode/errata.h"
#include "simd/lanes/table_lanes.h"

namespace vekdi {

// rsSyndromesGeneric's contract; `points` has R16(count) readable bytes and
// s's coefficients are aligned. By the table kernels where given, by the bit
// planes where `tables` is null.
void rsSyndromesLanes(PolyGF* s, const PolyGF* r, const uint8_t* points, int count, const TableLaneKernels* tables);

struct LaneArith;

// rsChienSearchGeneric's contract, for a locator over the policy's field, by
// the policy's table kernels or else the bit planes.
int rsChienSearchLanes(const LaneArith& a, uint8_t* out, const PolyGF* l);

struct LaneArith {
    const RSDecoder* d;
    LogArith logs;
    const TableLaneKernels* tables;  // null: the bit planes
    // For the element-at-a-time vocabulary (mul ... mulLinear, the scalar
    // Berlekamp-Massey): lg[v] = log v for v != 0, lg[0] = zeroLog = 2(q-1)
    // - 1; ex[e] = alpha^e for e <= 2(q-2) and 0 from zeroLog to 2 zeroLog,
    // so ex[lg[a] + lg[b]] = a * b. Not built where the table kernels take
    // every step that would read them (both solvers whole: r <= kTableLanesEuclidMax).
    bool elementTables;
    unsigned zeroLog;
    uint16_t lg[256];
    uint8_t ex[4 * 255];

    // The table kernels given are used where the field fits them.
    explicit LaneArith(const RSDecoder* decoder, const TableLaneKernels* kernels = tableLaneKernels())
        : d(decoder),
          logs(fieldLogs(decoder->field)),
          tables(tableLanesFit(decoder->field->m) ? kernels : nullptr),
          elementTables(tables == nullptr || decoder->n - decoder->k > kTableLanesEuclidMax) {
        const unsigned period = logs.period, order = period + 1;
        zeroLog = 2 * period - 1;
        if (!elementTables) return;
        for (unsigned v = 1; v < order; ++v) lg[v] = logs.log[v];
        lg[0] = uint16_t(zeroLog);
        std::memcpy(ex, logs.pow, period);
        std::memcpy(ex + period, logs.pow, period - 1);
        std::memset(ex + zeroLog, 0, zeroLog + 1);
    }

    void toDomain(uint8_t*, int) const {}
    // The received word straight into place by the table kernels, where given.
    bool receive(uint8_t* received, const uint8_t* codeword, int n) const {
        if (tables == nullptr) return false;
        tables->receive(received, codeword, n);
        return true;
    }
    void syndromes(PolyGF* s, const PolyGF* received) const {
        rsSyndromesLanes(s, received, d->rootPowers, d->n - d->k, tables);
    }
    int roots(uint8_t* out, const PolyGF* l) const { return rsChienSearchLanes(*this, out, l); }
    void valuesAtInverses(uint8_t* wValues, uint8_t* dValues, const PolyGF* w, const PolyGF* dPoly,
                          const uint8_t* positions, int count, uint8_t*) const {
        if (tables != nullptr) {
            tables->valuesAtInverses(wValues, w->coeffs, w->degree, dValues, dPoly->coeffs, dPoly->degree, positions,
                                     count, d->field);
            return;
        }
        for (int i = 0; i < count; ++i) {
            const unsigned xInv = logs.reduce(logs.period - positions[i]);  // log X^-1
            dValues[i] = evalAtLog(dPoly->coeffs, dPoly->degree, xInv);
            wValues[i] = evalAtLog(w->coeffs, w->degree, xInv);
        }
    }
    // rsErrataMatchesSyndromes with the exponents reduced without division.
    bool explains(const ErrataList& errata, int b, const uint8_t* syndromes, int r) const {
        if (tables != nullptr) {
            alignas(16) uint8_t own[64];
            tables->errataSyndromes(own, errata.exps, errata.logs, errata.count, unsigned(b), r, d->field);
            return std::memcmp(own, syndromes, size_t(r)) == 0;
        }
        unsigned e[256];
        for (int i = 0; i < errata.count; ++i) e[i] = modPeriod(errata.logs[i] + unsigned(b) * errata.exps[i]);
        for (int j = 0; j < r; ++j) {
            uint8_t sum = 0;
            for (int i = 0; i < errata.count; ++i) {
                sum ^= ex[e[i]];
                e[i] = logs.reduce(e[i] + errata.exps[i]);
            }
            if (sum != syndromes[j]) return false;
        }
        return true;
    }

    // The whole Euclidean algorithm by the table kernels, where they take it.
    bool euclidRun(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta) const {
        return tables != nullptr && tables->euclid(sigma, omega, t, tDegree, delta, d->n - d->k, d->field);
    }

    // ex + log c: indexed by lg[v], gives v * c (0 when c or v is 0).
    const uint8_t* timesTable(uint8_t c) const {
        assert(elementTables);
        return ex + lg[c];
    }

    uint8_t mul(uint8_t a, uint8_t b) const {
        assert(elementTables);
        return ex[lg[a] + lg[b]];
    }
    uint8_t inverse(uint8_t a) const {
        assert(elementTables);
        return ex[logs.period - lg[a]];
    }
    uint8_t dot(const uint8_t* a, const uint8_t* b, int len) const {
        assert(elementTables);
        uint8_t sum = 0;
        for (int i = 0; i < len; ++i) sum ^= ex[lg[a[i]] + lg[b[i]]];
        return sum;
    }
    void mulConst(uint8_t* out, const uint8_t* in, int len, uint8_t c) const {
        const uint8_t* e = timesTable(c);
        for (int i = 0; i < len; ++i) out[i] = e[lg[in[i]]];
    }
    void mulAddConst(uint8_t* inout, const uint8_t* in, int len, uint8_t c) const {
        if (c == 0) return;
        const uint8_t* e = timesTable(c);
        for (int i = 0; i < len; ++i) inout[i] ^= e[lg[in[i]]];
    }
    void polyMul(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen) const {
        std::memset(out, 0, size_t(aLen + sLen - 1));
        for (int j = 0; j < sLen; ++j) mulAddConst(out + j, a, aLen, s[j]);
    }
    // p(x) *= (1 + c x) over coefficients 0 ... len; c nonzero.
    void mulLinear(uint8_t* p, int len, uint8_t c) const {
        const uint8_t* e = timesTable(c);
        for (int i = len; i >= 1; --i) p[i] ^= e[lg[p[i - 1]]];
    }
    // mulLinear by each of cs in turn, the degree capped at cap.
    void mulLinearRun(uint8_t* p, int degree, const uint8_t* cs, int count, int cap) const {
        if (tables != nullptr) return tables->mulLinearRun(p, cs, count, cap, d->field);
        for (int i = 0; i < count; ++i) {
            ++degree;
            mulLinear(p, degree, cs[i]);
            degree = degree < cap ? degree : cap;
        }
    }

private:
    // x mod (q - 1) for x < 2^16: q - 1 = 2^m - 1, so the bits above m fold
    // back onto the low ones.
    unsigned modPeriod(unsigned x) const {
        const unsigned m = unsigned(d->field->m);
        while (x > logs.period) x = (x & logs.period) + (x >> m);
        return x == logs.period ? 0 : x;
    }

    // c[0] + ... + c[degree] x^degree at x = alpha^logX (logX < q - 1).
    uint8_t evalAtLog(const uint8_t* c, int degree, unsigned logX) const {
        assert(elementTables);
        const uint8_t* e = ex + logX;
        uint8_t acc = c[degree];
        for (int i = degree - 1; i >= 0; --i) acc = e[lg[acc]] ^ c[i];
        return acc;
    }
};

// The Berlekamp-Massey iteration of rs/decode/berlekamp_massey.h: the table
// kernels' whole iteration where the policy has them, else step for step,
// one element at a time on exact lengths: at the short lengths of the small
// fields the copies and clearing that whole-group vector operations need
// cost more than the products.
template <>
void rsBerlekampMassey<LaneArith>(const LaneArith& a, PolyGF* lambda, PolyGF* omega, const PolyGF* syn);

}  // namespace vekdi
