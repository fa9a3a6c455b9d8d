// SPDX-License-Identifier: Apache-2.0
// The decode pipeline's arithmetic in the tower basis through a vector
// variant of the tower kernels, sixteen elements per step, for decoder
// contexts that carry a tower record (decoderHasTowerRecord). See
// rs/decode/pipeline.h for what a policy provides. Logarithms are to the base
// of alpha's tower image, so they equal the field's own. (In the routine
// names rsSyndromesFast, rsChienSearchFast, ... "Fast" means this: GF(256)
// with a built-in tower record.)
#pragma once

#include <cstdint>

#include "gf/log_arith.h"
#include "poly/poly.h"
#include "rs/decode/decoder.h"
#include "rs/decode/errata.h"
#include "simd/tower/kernels.h"

namespace vekdi {

// S = 1 + S_1 x + ... + S_r x^r (tower basis) with S_j = R(point j-1) from
// the context's syndrome point blocks; all r + 1 coefficients are written.
// Full groups of 16 values go straight into coefficients 1 + 16g ..., a
// final partial group through a temporary, so r + 1 coefficients suffice.
void rsSyndromesFast(PolyGF* s, const PolyGF* r, const uint8_t* syndromeBlocks, int count,
                     const tower::TowerKernels& k);

// Roots of L among all 255 nonzero points gamma^i, as x-exponents 255 - i for
// ascending i; lists every root (no early stop). `out` has room for deg L
// bytes (a nonzero L has no more roots). chienBlocks: the context's Chien
// point blocks of gamma^0 ... gamma^255.
int rsChienSearchFast(uint8_t* out, const PolyGF* l, const uint8_t* chienBlocks, uint8_t gamma,
                      const tower::TowerKernels& k);

struct TowerArith {
    const RSDecoder* d;
    const tower::TowerKernels& k;
    LogArith logs;

    TowerArith(const RSDecoder* decoder, const tower::TowerKernels& kernels)
        : d(decoder), k(kernels), logs{decoder->tower.pow, decoder->tower.log, 255} {}

    void toDomain(uint8_t* c, int len) const { k.convert(c, c, len, d->tower.toTower); }
    bool receive(uint8_t* received, const uint8_t* codeword, int n) const {
        if (k.convertReversed == nullptr) return false;
        k.convertReversed(received, codeword, n, d->tower.toTower);
        return true;
    }
    void syndromes(PolyGF* s, const PolyGF* received) const {
        rsSyndromesFast(s, received, d->tower.syndromeBlocks, d->n - d->k, k);
    }
    // The syndromes straight from the codeword (n = 255, its received form
    // never built), where the variant has the kernel; false where not.
    bool wordSyndromes(PolyGF* s, const uint8_t* codeword) const;
    int roots(uint8_t* out, const PolyGF* l) const {
        return rsChienSearchFast(out, l, d->tower.chienBlocks, d->tower.pow[1], k);
    }
    // work: 4*R16(r) bytes, 16-byte aligned.
    void valuesAtInverses(uint8_t* wValues, uint8_t* dValues, const PolyGF* w, const PolyGF* dPoly,
                          const uint8_t* positions, int count, uint8_t* work) const;
    bool explains(const ErrataList& errata, int b, const uint8_t* syndromes, int r) const;

    uint8_t mul(uint8_t a, uint8_t b) const { return logs.mul(a, b); }
    uint8_t inverse(uint8_t a) const { return logs.inverse(a); }
    uint8_t dot(const uint8_t* a, const uint8_t* b, int len) const { return k.dot(a, b, len); }
    void mulConst(uint8_t* out, const uint8_t* in, int len, uint8_t c) const { k.mulConst(out, in, len, c); }
    void mulAddConst(uint8_t* inout, const uint8_t* in, int len, uint8_t c) const {
        k.mulAddConst(inout, in, len, c);
    }
    void polyMul(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen) const {
        k.polyMul(out, a, aLen, s, sLen);
    }
    void mulLinear(uint8_t* p, int len, uint8_t c) const { k.mulLinear(p, len, c); }
    // The optional vocabulary (rs/decode/pipeline.h): fewer calls into the variant.
    uint8_t mulAddDot(uint8_t* inout, const uint8_t* in, int len, uint8_t c, const uint8_t* other, int dotLen) const {
        return k.mulAddDot(inout, in, len, c, other, dotLen);
    }
    void mulLinearRun(uint8_t* p, int degree, const uint8_t* cs, int count, int cap) const {
        k.mulLinearRun(p, degree, cs, count, cap);
    }
    bool berlekampMasseyRun(uint8_t* lambda, uint8_t* omega, int gammaDegree, const uint8_t* syndromes, int r) const {
        return k.berlekampMassey != nullptr && k.berlekampMassey(lambda, omega, gammaDegree, syndromes, r);
    }
    bool euclidRun(uint8_t* sigma, uint8_t* omega, const uint8_t* t, int tDegree, int delta) const {
        return k.euclid != nullptr && k.euclid(sigma, omega, t, tDegree, delta, d->n - d->k);
    }
};

}  // namespace vekdi
