// SPDX-License-Identifier: Apache-2.0
// The decode pipeline's arithmetic through the field's logarithm tables, one
// element at a time: it serves every field (see rs/decode/pipeline.h for what
// a policy provides). Its vector operations touch exactly `len` elements.
#pragma once

#include <cstdint>
#include <cstring>

#include "gf/field.h"
#include "poly/poly.h"
#include "rs/decode/decoder.h"
#include "rs/decode/errata.h"

namespace vekdi {

// S = 1 + S_1 x + ... + S_r x^r with S_j = R(points[j-1]); all r + 1
// coefficients are written (those above the normalised degree are 0).
// S->capacity >= r + 1.
void rsSyndromesGeneric(PolyGF* s, const PolyGF* r, const uint8_t* points, int count);

// Roots of L among alpha^1 ... alpha^(q-1), as x-exponents q-1-j, in
// ascending j; stops once deg L roots are found. `out` has room for deg L bytes.
int rsChienSearchGeneric(uint8_t* out, const PolyGF* l);

struct GenericArith {
    const RSDecoder* d;
    LogArith logs;

    explicit GenericArith(const RSDecoder* decoder) : d(decoder), logs(fieldLogs(decoder->field)) {}

    void toDomain(uint8_t*, int) const {}
    void syndromes(PolyGF* s, const PolyGF* received) const {
        rsSyndromesGeneric(s, received, d->rootPowers, d->n - d->k);
    }
    int roots(uint8_t* out, const PolyGF* l) const { return rsChienSearchGeneric(out, l); }
    void valuesAtInverses(uint8_t* wValues, uint8_t* dValues, const PolyGF* w, const PolyGF* dPoly,
                          const uint8_t* positions, int count, uint8_t*) const {
        for (int i = 0; i < count; ++i) {
            const unsigned xInv = logs.reduce(logs.period - positions[i]);  // log X^-1
            dValues[i] = logs.evalAtLog(dPoly->coeffs, dPoly->degree, xInv);
            wValues[i] = logs.evalAtLog(w->coeffs, w->degree, xInv);
        }
    }
    bool explains(const ErrataList& errata, int b, const uint8_t* syndromes, int r) const {
        return rsErrataMatchesSyndromes(errata, logs.pow, int(logs.period), b, syndromes, r);
    }

    uint8_t mul(uint8_t a, uint8_t b) const { return logs.mul(a, b); }
    uint8_t inverse(uint8_t a) const { return logs.inverse(a); }
    uint8_t dot(const uint8_t* a, const uint8_t* b, int len) const {
        uint8_t sum = 0;
        for (int i = 0; i < len; ++i) sum ^= logs.mul(a[i], b[i]);
        return sum;
    }
    void mulConst(uint8_t* out, const uint8_t* in, int len, uint8_t c) const {
        if (c == 0) {
            std::memset(out, 0, size_t(len));
            return;
        }
        const unsigned lc = logs.log[c];
        for (int i = 0; i < len; ++i) out[i] = logs.mulLog(in[i], lc);
    }
    void mulAddConst(uint8_t* inout, const uint8_t* in, int len, uint8_t c) const {
        if (c == 0) return;
        const unsigned lc = logs.log[c];
        for (int i = 0; i < len; ++i) inout[i] ^= logs.mulLog(in[i], lc);
    }
    void polyMul(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen) const {
        std::memset(out, 0, size_t(aLen + sLen - 1));
        for (int j = 0; j < sLen; ++j) mulAddConst(out + j, a, aLen, s[j]);
    }
    // p(x) *= (1 + c x) over coefficients 0 ... len; c nonzero.
    void mulLinear(uint8_t* p, int len, uint8_t c) const {
        const unsigned lc = logs.log[c];
        for (int i = len; i >= 1; --i) p[i] ^= logs.mulLog(p[i - 1], lc);
    }
};

}  // namespace vekdi
