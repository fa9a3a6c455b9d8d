// SPDX-License-Identifier: Apache-2.0
#include "rs/kernels_generic.h"

namespace vekdi {
namespace {

// Logarithm sums are reduced into 0 ... q-2 (expTable[q-1] = 1 = expTable[0]).
inline unsigned reduceOnce(unsigned s, unsigned period) { return s >= period ? s - period : s; }

}  // namespace

uint8_t rsEvalAtLog(const PolyGF* p, unsigned lx) {
    const FieldGF* f = p->field;
    const uint8_t* ex = expTable(f);
    const uint8_t* lg = logTable(f);
    const unsigned period = f->order - 1;
    const uint8_t* c = p->coeffs;
    uint8_t acc = c[p->degree];
    for (int i = p->degree - 1; i >= 0; --i) {
        const uint8_t prod = acc == 0 ? 0 : ex[reduceOnce(lg[acc] + lx, period)];
        acc = prod ^ c[i];
    }
    return acc;
}

void rsSyndromesGeneric(PolyGF* s, const PolyGF* r, const uint8_t* points, int count) {
    const uint8_t* lg = logTable(r->field);
    s->coeffs[0] = 1;
    for (int j = 1; j <= count; ++j) s->coeffs[j] = rsEvalAtLog(r, lg[points[j - 1]]);
    s->degree = count;
    polyNormalise(s);
}

void rsErasureLocatorGeneric(PolyGF* l, const int* positions, int count, const RSDecoder* d) {
    const FieldGF* f = l->field;
    const uint8_t* ex = expTable(f);
    const uint8_t* lg = logTable(f);
    const unsigned period = f->order - 1;
    uint8_t* c = l->coeffs;
    for (int p = 0; p < count; ++p) {
        const unsigned lx = lg[ex[unsigned(d->n - 1 - positions[p]) & 0xFF]];
        const int deg = l->degree;
        auto timesX = [&](uint8_t v) -> uint8_t { return v == 0 ? 0 : ex[reduceOnce(lg[v] + lx, period)]; };
        c[deg + 1] = timesX(c[deg]);
        for (int i = deg; i >= 1; --i) c[i] = uint8_t(c[i] ^ timesX(c[i - 1]));
        l->degree = polyNormalDegree(c, deg + 1);
    }
}

int rsChienSearchGeneric(uint8_t* out, const PolyGF* l) {
    const unsigned q = l->field->order;
    const int want = l->degree;
    int found = 0;
    for (unsigned j = 1; j <= q - 1 && found < want; ++j) {
        if (rsEvalAtLog(l, j % (q - 1)) == 0) out[found++] = uint8_t(q - 1 - j);
    }
    return found;
}

int rsErrorValuesGeneric(ErrataList* errata, const PolyGF* dPoly, const PolyGF* w, const uint8_t* positions,
                         int count, const RSDecoder* d) {
    const FieldGF* f = d->field;
    const uint8_t* lg = logTable(f);
    const unsigned period = f->order - 1;
    const unsigned b = lg[d->rootPowers[0]];
    const unsigned t = (2 + period - b % period) % period;  // 2 - b mod (q - 1)
    const int start = errata->count;
    for (int i = 0; i < count; ++i) {
        const unsigned x = positions[i];             // log X
        const unsigned xInv = (period - x) % period;  // log X^-1
        const uint8_t v = rsEvalAtLog(dPoly, xInv);
        if (v == 0) return -1;
        const uint8_t wv = rsEvalAtLog(w, xInv);
        if (wv == 0) continue;
        const unsigned h = (t * x + lg[wv] + period - lg[v]) % period;
        errata->exps[errata->count] = uint8_t(x);
        errata->logs[errata->count] = uint8_t(h);
        ++errata->count;
    }
    return errata->count - start;
}

int rsFormalDerivative(PolyGF* dst, const PolyGF* src) {
    const int deg = src->degree;
    if (deg == 0) {
        dst->degree = 0;
        dst->coeffs[0] = 0;
        return 1;
    }
    for (int t = 0; t < (deg + 1) / 2; ++t) {
        dst->coeffs[2 * t] = src->coeffs[2 * t + 1];
        dst->coeffs[2 * t + 1] = 0;
    }
    dst->degree = deg - 1;
    polyNormalise(dst);
    return 1;
}

}  // namespace vekdi
