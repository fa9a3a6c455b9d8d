// SPDX-License-Identifier: Apache-2.0
#include "rs/decode/arith_tower.h"

#include <cstring>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the root scan reads bytes in ascending order");

namespace vekdi {

void rsSyndromesFast(PolyGF* s, const PolyGF* r, const uint8_t* syndromeBlocks, int count,
                     const tower::TowerKernels& k) {
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

bool TowerArith::wordSyndromes(PolyGF* s, const uint8_t* codeword) const {
    if (k.wordSyndromes == nullptr) return false;
    const int r = d->n - d->k;
    const int written = r16(r);  // the kernel writes whole blocks; the values past r are not syndromes
    s->coeffs[0] = 1;
    if (1 + written <= s->capacity) {
        k.wordSyndromes(s->coeffs + 1, codeword, d->tower.toTower, d->tower.syndromeBlocks, r);
        std::memset(s->coeffs + 1 + r, 0, size_t(written - r));
    } else {
        alignas(16) uint8_t values[256];
        k.wordSyndromes(values, codeword, d->tower.toTower, d->tower.syndromeBlocks, r);
        std::memcpy(s->coeffs + 1, values, size_t(r));
    }
    s->degree = polyNormalDegree(s->coeffs, r);
    return true;
}

int rsChienSearchFast(uint8_t* out, const PolyGF* l, const uint8_t* chienBlocks, uint8_t gamma,
                      const tower::TowerKernels& k) {
    if (k.chienRoots != nullptr) return k.chienRoots(out, l->coeffs, l->degree + 1, chienBlocks);
    alignas(16) uint8_t values[256];
    k.evalGeometric(values, l->coeffs, l->degree + 1, chienBlocks, 16, gamma);
    // The zero values eight at a time: a byte's top bit survives in `zero`
    // only when the byte is 0, so the loop runs once per root and branches
    // on nothing the roots' positions decide.
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    int found = 0;
    for (int i = 0; i < 256; i += 8) {
        uint64_t w;
        std::memcpy(&w, values + i, 8);
        uint64_t zero = ~(((w & kLow7) + kLow7) | w | kLow7);
        if (i == 0) zero &= ~uint64_t(0x80);  // gamma^0 is gamma^255, not a position
        for (; zero != 0; zero &= zero - 1) out[found++] = uint8_t(255 - i - __builtin_ctzll(zero) / 8);
    }
    return found;
}

void TowerArith::valuesAtInverses(uint8_t* wValues, uint8_t* dValues, const PolyGF* w, const PolyGF* dPoly,
                                 const uint8_t* positions, int count, uint8_t* work) const {
    const int c = r16(d->n - d->k);
    uint8_t* blocks = work;
    uint8_t* inverses = work + 3 * c;  // the last quarter of the block area
    const int groups = (count + 15) / 16;
    for (int i = 0; i < count; ++i) inverses[i] = logs.pow[logs.reduce(logs.period - positions[i])];
    std::memset(inverses + count, 0, size_t(16 * groups - count));
    k.evalPairAt(wValues, w->coeffs, w->degree + 1, dValues, dPoly->coeffs, dPoly->degree + 1, inverses, count, blocks);
}

bool TowerArith::explains(const ErrataList& errata, int b, const uint8_t* syndromes, int r) const {
    if (k.errataSyndromes == nullptr)
        return rsErrataMatchesSyndromes(errata, logs.pow, int(logs.period), b, syndromes, r);
    uint8_t pattern[256];
    k.errataSyndromes(pattern, errata.exps, errata.logs, errata.count, b, r, logs.pow);
    return std::memcmp(pattern, syndromes, size_t(r)) == 0;
}

}  // namespace vekdi
