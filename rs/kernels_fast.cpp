// SPDX-License-Identifier: Apache-2.0
#include "rs/kernels_fast.h"

#include <algorithm>
#include <cstring>

#include "rs/tower/gf16_tables.h"

namespace vekdi {

void rsSyndromesFast(PolyGF* s, const PolyGF* r, const uint8_t* syndromeBlocks, int count, const TowerKernels& k) {
    uint8_t* out = s->coeffs;
    const int full = count / 16;
    const int rest = count % 16;
    out[0] = 1;
    if (full > 0) k.evalPolyBlocks(out + 1, r->coeffs, r->degree + 1, syndromeBlocks, full);
    if (rest > 0) {
        uint8_t tail[16];
        k.evalPoly16(tail, r->coeffs, r->degree + 1, syndromeBlocks + 64 * full);
        std::memcpy(out + 1 + 16 * full, tail, size_t(rest));
    }
    s->degree = polyNormalDegree(out, count);
}

void rsErasureLocatorFast(PolyGF* l, const int* positions, int count, const RSDecoder* d, const TowerKernels& k) {
    const int r = d->n - d->k;
    const int last = r16(r + 1) - 1;
    int degree = l->degree;
    if (last < l->capacity && l->degree < last) {
        std::memset(l->coeffs + l->degree + 1, 0, size_t(last - l->degree));
        l->degree = last;
    }
    for (int i = 0; i < count; ++i) {
        ++degree;
        const uint8_t x = d->towerPow[unsigned(d->n - 1 - positions[i]) & 255u];
        k.mulLinear(l->coeffs, degree, x);
        degree = std::min(degree, r);
    }
    l->degree = polyNormalDegree(l->coeffs, degree);
}

int rsChienSearchFast(uint8_t* out, const PolyGF* l, const uint8_t* chienBlocks, const TowerKernels& k) {
    alignas(16) uint8_t values[256];
    // Point i is alpha^i: block 0 holds 1 in lane 0 and alpha in lane 1,
    // whose logarithm rows give alpha back.
    const uint8_t lo = chienBlocks[1], hi = chienBlocks[16 + 1];
    const auto& t = tower::gf16Tables;
    const uint8_t alpha = uint8_t((hi & 0x80 ? 0 : t.powRow[hi & 15] << 4) | (lo & 0x80 ? 0 : t.powRow[lo & 15]));
    k.evalGeometric(values, l->coeffs, l->degree + 1, chienBlocks, 16, alpha);
    int found = 0;
    for (int i = 1; i < 256; ++i)
        if (values[i] == 0) out[found++] = uint8_t(255 - i);
    return found;
}

int rsErrorValuesFast(ErrataList* errata, const PolyGF* dPoly, const PolyGF* w, const uint8_t* positions, int count,
                      uint8_t* scratch, const RSDecoder* d, const TowerKernels& k) {
    const FieldGF* f = d->field;
    const unsigned period = f->order - 1;
    const int c = r16(d->n - d->k);
    const unsigned b = logTable(f)[d->rootPowers[0]];
    const unsigned t = (2 + period - b) % period;
    uint8_t* wValues = scratch + c;
    uint8_t* dValues = scratch + 2 * c;
    uint8_t* blocks = scratch + 3 * c;
    uint8_t* inverses = scratch + 6 * c;  // the last quarter of the block area

    const int groups = (count + 15) / 16;
    for (int i = 0; i < count; ++i) inverses[i] = d->towerPow[(period - positions[i]) & 255u];
    std::memset(inverses + count, 0, size_t(16 * groups - count));
    k.expandPoints(blocks, inverses, 16 * groups);
    k.evalPolyBlocks(wValues, w->coeffs, w->degree + 1, blocks, groups);
    k.evalPolyBlocks(dValues, dPoly->coeffs, dPoly->degree + 1, blocks, groups);

    const uint8_t* towerLog = d->towerLog;
    int formed = 0;
    for (int i = 0; i < count; ++i) {
        const uint8_t v = dValues[i], wv = wValues[i];
        if (v == 0) continue;
        ++formed;
        if (wv == 0) continue;
        const unsigned h = (towerLog[wv] + period - towerLog[v] + t * positions[i]) % period;
        errata->exps[errata->count] = positions[i];
        errata->logs[errata->count] = uint8_t(h);
        ++errata->count;
    }
    return formed;
}

}  // namespace vekdi
